// Creates dialogs from the program's templates on a hidden parent window, for inspection by tests.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace tavtest
{

// Registers the common control classes once (tree view, list view) before any template is created.
void InitControlsOnce();

// A dialog created modelessly from a template of this module, with a dialog procedure that only answers
// WM_INITDIALOG. The template is copied without WS_VISIBLE so that no window is ever shown (hiding a
// shown window makes Wine wait for a window manager that Xvfb does not have); the template's own style
// stays readable. Destroys the dialog and its hidden parent at the end of its scope.
class DialogHost
{
public:
    explicit DialogHost(LPCWSTR templateName);
    ~DialogHost();
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;

    HWND Dialog() const { return m_hDialog; }
    DWORD LastError() const { return m_dwordError; }
    DWORD TemplateStyle() const { return m_dwordTemplateStyle; }
    // Style of a control as the template gives it; some controls drop bits (scroll bars) from their
    // window style once created. 0 when the template has no such control.
    DWORD TemplateControlStyle(int id) const;

    // Template rectangle (dialog units) in client pixels of this dialog, mapped as the dialog manager
    // maps a control: position and size each on their own.
    RECT MapRect(int x, int y, int cx, int cy) const;
    // A control's window rectangle in the dialog's client coordinates.
    RECT ControlRect(HWND control) const;

private:
    HWND m_hParent = nullptr;
    HWND m_hDialog = nullptr;
    DWORD m_dwordError = 0;
    DWORD m_dwordTemplateStyle = 0;
    std::map<int, DWORD> m_controlStyles;
};

std::wstring WindowText(HWND window);
// The text as a button or static without SS_NOPREFIX shows it: "&&" is one ampersand, a single "&"
// only underlines the next character.
std::wstring DisplayedText(const std::wstring& text);
// Class name without the version prefix that activation contexts may put in front ("6.0.x.y!Button").
std::wstring ClassName(HWND window);
std::string Narrow(const std::wstring& text);

} // namespace tavtest
