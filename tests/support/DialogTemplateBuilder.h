// Builds a dialog template in memory for window tests: a DLGTEMPLATE with DS_SETFONT and its items.
//
//   DialogTemplateBuilder dlg(WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 120, L"Test");
//   dlg.Button(IDOK, BS_DEFPUSHBUTTON, 10, 90, 50, 14, L"OK").Static(1001, SS_LEFT, 10, 10, 100, 12,
//   L"Text"); MyDialog d(dlg.Get(), hOwner);
//
// DS_SETFONT is always added; WS_CHILD | WS_VISIBLE is added to every control. The pointer from Get() is
// valid while the builder lives and is not changed.
#pragma once

#include <windows.h>

#include <vector>

class DialogTemplateBuilder
{
public:
    DialogTemplateBuilder(DWORD style, short cx, short cy, const wchar_t* caption = L"Test",
                          const wchar_t* fontName = L"MS Shell Dlg", WORD pointSize = 8, DWORD exStyle = 0);

    // A control of a registered window class by name ("SysListView32") ...
    DialogTemplateBuilder& Control(WORD id, const wchar_t* className, DWORD style, short x, short y, short cx,
                                   short cy, const wchar_t* text = L"", DWORD exStyle = 0);
    // ... or of a predefined class by its atom (0x0080 button ... 0x0085 combo box).
    DialogTemplateBuilder& Control(WORD id, WORD classAtom, DWORD style, short x, short y, short cx, short cy,
                                   const wchar_t* text = L"", DWORD exStyle = 0);

    DialogTemplateBuilder& Button(WORD id, DWORD style, short x, short y, short cx, short cy,
                                  const wchar_t* text);
    DialogTemplateBuilder& Static(WORD id, DWORD style, short x, short y, short cx, short cy,
                                  const wchar_t* text);
    DialogTemplateBuilder& Edit(WORD id, DWORD style, short x, short y, short cx, short cy);
    DialogTemplateBuilder& ListBox(WORD id, DWORD style, short x, short y, short cx, short cy);
    DialogTemplateBuilder& ComboBox(WORD id, DWORD style, short x, short y, short cx, short cy);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }
    WORD ControlCount() const { return m_words.empty() ? 0 : Get()->cdit; }

private:
    void AlignToDword();
    void AppendDword(DWORD value);
    void AppendString(const wchar_t* text);
    DialogTemplateBuilder& AddItem(WORD id, const wchar_t* className, WORD classAtom, DWORD style, short x,
                                   short y, short cx, short cy, const wchar_t* text, DWORD exStyle);

    std::vector<WORD> m_words; // the template; vector storage is aligned for the DWORD fields
};
