#include "support/SymbolicLink.h"

#include <windows.h>

namespace
{
// Without this flag creating a link needs a privilege that tests do not have.
constexpr DWORD kAllowUnprivileged = 0x2;

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wine's own export: the host's name of a Windows path, in memory of the process heap.
std::string HostName(const std::wstring& path)
{
    using ToHost = char*(CDECL*)(const wchar_t*);
    const auto toHost = reinterpret_cast<ToHost>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toHost == nullptr)
        return std::string();
    char* name = toHost(path.c_str());
    if (name == nullptr)
        return std::string();
    std::string text = name;
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

bool RunAndWait(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return false;
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}
} // namespace

std::string PlantSymbolicLink(const std::wstring& link, const std::wstring& target)
{
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "the link's target does not exist";
    const DWORD flags =
        kAllowUnprivileged | ((attributes & FILE_ATTRIBUTE_DIRECTORY) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) && Exists(link))
        return std::string();

    const std::string hostTarget = HostName(target);
    const size_t slash = link.find_last_of(L'\\');
    const std::string hostFolder =
        slash == std::wstring::npos ? std::string() : HostName(link.substr(0, slash));
    if (hostTarget.empty() || hostFolder.empty())
        return "symbolic links cannot be made here (no CreateSymbolicLinkW, not Wine)";
    const std::wstring name = link.substr(slash + 1);
    const std::string hostLink = hostFolder + "/" + std::string(name.begin(), name.end());
    // Quoted: the names may hold blanks ("Orvek software").
    const std::wstring command = L"start.exe /wait /unix /bin/ln -s \"" +
                                 std::wstring(hostTarget.begin(), hostTarget.end()) + L"\" \"" +
                                 std::wstring(hostLink.begin(), hostLink.end()) + L"\"";
    if (!RunAndWait(command))
        return "Wine's start /unix could not be run";
    // start does not wait for a host program: the link appears when ln has run.
    for (int i = 0; i < 300 && !Exists(link); ++i)
        Sleep(20);
    return Exists(link) ? std::string() : "Wine's start /unix did not make the host link";
}
