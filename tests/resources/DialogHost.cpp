#include "DialogHost.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace tavtest
{

namespace
{

INT_PTR CALLBACK TrivialDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Skips a sz_Or_Ord field of a dialog template.
const WORD* SkipNameOrOrdinal(const WORD* p)
{
    if (*p == 0xFFFF)
        return p + 2;
    while (*p)
        ++p;
    return p + 1;
}

const WORD* AlignToDword(const WORD* p, const void* base)
{
    const size_t offset = reinterpret_cast<const BYTE*>(p) - static_cast<const BYTE*>(base);
    return reinterpret_cast<const WORD*>(static_cast<const BYTE*>(base) + ((offset + 3) & ~size_t(3)));
}

// Control ids and styles of an extended dialog template (the only kind the program's .rc holds).
std::map<int, DWORD> ReadControlStyles(const void* base, size_t size)
{
    std::map<int, DWORD> styles;
    const WORD* p = static_cast<const WORD*>(base);
    if (size < 26 || p[0] != 1 || p[1] != 0xFFFF)
        return styles;
    DWORD style = 0;
    std::memcpy(&style, p + 6, sizeof(style));
    const WORD count = p[8];
    p = SkipNameOrOrdinal(p + 13); // menu
    p = SkipNameOrOrdinal(p);      // class
    p = SkipNameOrOrdinal(p);      // title
    if (style & DS_SETFONT)
        p = SkipNameOrOrdinal(p + 3); // size, weight, italic and charset, then the face name
    const BYTE* end = static_cast<const BYTE*>(base) + size;
    for (WORD i = 0; i < count; ++i)
    {
        p = AlignToDword(p, base);
        if (reinterpret_cast<const BYTE*>(p) + 24 > end)
            break;
        DWORD itemStyle = 0;
        DWORD id = 0;
        std::memcpy(&itemStyle, p + 4, sizeof(itemStyle));
        std::memcpy(&id, p + 10, sizeof(id));
        styles[static_cast<int>(id)] = itemStyle;
        p = SkipNameOrOrdinal(p + 12);                                                // class
        p = SkipNameOrOrdinal(p);                                                     // title
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p + 1) + *p); // creation data
    }
    return styles;
}

} // namespace

void InitControlsOnce()
{
    static const bool done = []
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

DialogHost::DialogHost(LPCWSTR templateName)
{
    InitControlsOnce();
    m_hParent = CreateWindowExW(0, L"STATIC", L"tavtest parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, templateName, MAKEINTRESOURCEW(5)); // RT_DIALOG
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    if (!bytes || size < 16)
    {
        m_dwordError = GetLastError();
        return;
    }
    // DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; its style follows the help id and the
    // extended style. A plain DLGTEMPLATE starts with its style.
    std::vector<DWORD> copy((size + 3) / 4);
    std::memcpy(copy.data(), bytes, size);
    const WORD* words = reinterpret_cast<const WORD*>(copy.data());
    DWORD* style = (words[0] == 1 && words[1] == 0xFFFF) ? &copy[3] : &copy[0];
    m_dwordTemplateStyle = *style;
    m_controlStyles = ReadControlStyles(bytes, size);
    *style &= ~WS_VISIBLE;
    SetLastError(0);
    m_hDialog = CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), m_hParent,
                                           TrivialDialogProc, 0);
    m_dwordError = GetLastError();
}

DialogHost::~DialogHost()
{
    if (m_hDialog)
        DestroyWindow(m_hDialog);
    if (m_hParent)
        DestroyWindow(m_hParent);
}

DWORD DialogHost::TemplateControlStyle(int id) const
{
    const auto found = m_controlStyles.find(id);
    return found == m_controlStyles.end() ? 0 : found->second;
}

RECT DialogHost::MapRect(int x, int y, int cx, int cy) const
{
    RECT pos = {x, y, cx, cy};
    MapDialogRect(m_hDialog, &pos);
    return {pos.left, pos.top, pos.left + pos.right, pos.top + pos.bottom};
}

RECT DialogHost::ControlRect(HWND control) const
{
    RECT rc = {};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, m_hDialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::wstring WindowText(HWND window)
{
    wchar_t buffer[512] = L"";
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

std::wstring DisplayedText(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == L'&')
            continue;
        out += text[i];
    }
    return out;
}

std::wstring ClassName(HWND window)
{
    wchar_t buffer[256] = L"";
    GetClassNameW(window, buffer, 256);
    std::wstring name = buffer;
    const size_t bang = name.find(L'!');
    return bang == std::wstring::npos ? name : name.substr(bang + 1);
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

} // namespace tavtest
