#include "support/AutostartTaskFile.h"

#include <windows.h>
#include <sddl.h>

#include <cwchar>
#include <utility>

#include "support/TempFolder.h"

std::wstring CurrentUserSidText()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::wstring();
    BYTE buffer[256] = {};
    DWORD size = 0;
    LPWSTR text = nullptr;
    std::wstring sid;
    if (::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
    {
        sid = text;
        ::LocalFree(text);
    }
    ::CloseHandle(token);
    return sid;
}

std::wstring AutostartTaskFile()
{
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\Tasks\\Tavrello autostart " + CurrentUserSidText();
}

bool AutostartTaskFileExists()
{
    return ::GetFileAttributesW(AutostartTaskFile().c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ReadAutostartTaskXml()
{
    std::string bytes;
    if (!ReadWholeFile(AutostartTaskFile(), bytes))
        return std::wstring();
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return text;
}

std::wstring XmlElementText(const std::wstring& xml, const std::wstring& name)
{
    const std::wstring open = L"<" + name + L">";
    const size_t start = xml.find(open);
    const size_t end = start == std::wstring::npos ? start : xml.find(L"</" + name + L">", start);
    if (end == std::wstring::npos)
        return L"(no " + name + L")";
    std::wstring text = xml.substr(start + open.size(), end - start - open.size());
    const std::pair<const wchar_t*, const wchar_t*> references[] = {
        {L"&lt;", L"<"}, {L"&gt;", L">"}, {L"&quot;", L"\""}, {L"&apos;", L"'"}, {L"&amp;", L"&"}};
    for (const auto& reference : references)
        for (size_t at = text.find(reference.first); at != std::wstring::npos;
             at = text.find(reference.first, at + 1))
            text.replace(at, std::wcslen(reference.first), reference.second);
    return text;
}
