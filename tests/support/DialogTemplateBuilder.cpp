#include "support/DialogTemplateBuilder.h"

namespace
{
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kComboBoxAtom = 0x0085;
// Position of the item count in the DLGTEMPLATE header, in WORDs.
constexpr size_t kCountWord = 4;
} // namespace

DialogTemplateBuilder::DialogTemplateBuilder(DWORD style, short cx, short cy, const wchar_t* caption,
                                             const wchar_t* fontName, WORD pointSize, DWORD exStyle)
{
    AppendDword(style | DS_SETFONT);
    AppendDword(exStyle);
    m_words.push_back(0); // cdit
    m_words.push_back(0); // x
    m_words.push_back(0); // y
    m_words.push_back(static_cast<WORD>(cx));
    m_words.push_back(static_cast<WORD>(cy));
    m_words.push_back(0); // no menu
    m_words.push_back(0); // the dialog class
    AppendString(caption);
    m_words.push_back(pointSize);
    AppendString(fontName);
}

void DialogTemplateBuilder::AlignToDword()
{
    if (m_words.size() % 2)
        m_words.push_back(0);
}

void DialogTemplateBuilder::AppendDword(DWORD value)
{
    m_words.push_back(LOWORD(value));
    m_words.push_back(HIWORD(value));
}

void DialogTemplateBuilder::AppendString(const wchar_t* text)
{
    for (const wchar_t* p = text ? text : L""; *p; ++p)
        m_words.push_back(static_cast<WORD>(*p));
    m_words.push_back(0);
}

DialogTemplateBuilder& DialogTemplateBuilder::AddItem(WORD id, const wchar_t* className, WORD classAtom,
                                                      DWORD style, short x, short y, short cx, short cy,
                                                      const wchar_t* text, DWORD exStyle)
{
    AlignToDword();
    AppendDword(style | WS_CHILD | WS_VISIBLE);
    AppendDword(exStyle);
    m_words.push_back(static_cast<WORD>(x));
    m_words.push_back(static_cast<WORD>(y));
    m_words.push_back(static_cast<WORD>(cx));
    m_words.push_back(static_cast<WORD>(cy));
    m_words.push_back(id);
    if (className)
        AppendString(className);
    else
    {
        m_words.push_back(0xFFFF);
        m_words.push_back(classAtom);
    }
    AppendString(text);
    m_words.push_back(0); // no creation data
    ++m_words[kCountWord];
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Control(WORD id, const wchar_t* className, DWORD style, short x,
                                                      short y, short cx, short cy, const wchar_t* text,
                                                      DWORD exStyle)
{
    return AddItem(id, className, 0, style, x, y, cx, cy, text, exStyle);
}

DialogTemplateBuilder& DialogTemplateBuilder::Control(WORD id, WORD classAtom, DWORD style, short x, short y,
                                                      short cx, short cy, const wchar_t* text, DWORD exStyle)
{
    return AddItem(id, nullptr, classAtom, style, x, y, cx, cy, text, exStyle);
}

DialogTemplateBuilder& DialogTemplateBuilder::Button(WORD id, DWORD style, short x, short y, short cx,
                                                     short cy, const wchar_t* text)
{
    return Control(id, kButtonAtom, style | WS_TABSTOP, x, y, cx, cy, text);
}

DialogTemplateBuilder& DialogTemplateBuilder::Static(WORD id, DWORD style, short x, short y, short cx,
                                                     short cy, const wchar_t* text)
{
    return Control(id, kStaticAtom, style, x, y, cx, cy, text);
}

DialogTemplateBuilder& DialogTemplateBuilder::Edit(WORD id, DWORD style, short x, short y, short cx, short cy)
{
    return Control(id, kEditAtom, style | WS_TABSTOP | WS_BORDER, x, y, cx, cy, L"");
}

DialogTemplateBuilder& DialogTemplateBuilder::ListBox(WORD id, DWORD style, short x, short y, short cx,
                                                      short cy)
{
    return Control(id, kListBoxAtom, style | WS_TABSTOP, x, y, cx, cy, L"");
}

DialogTemplateBuilder& DialogTemplateBuilder::ComboBox(WORD id, DWORD style, short x, short y, short cx,
                                                       short cy)
{
    return Control(id, kComboBoxAtom, style | WS_TABSTOP, x, y, cx, cy, L"");
}
