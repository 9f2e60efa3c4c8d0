#include "app/sysdll/SystemDll.h"

#include <string>
#include <vector>

#include "app/Log.h"
#include "data/Error.h"

namespace
{
std::wstring SystemFolder()
{
    std::vector<wchar_t> folder(MAX_PATH);
    UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size())
    {
        folder.resize(length + 1);
        length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    }
    return length > 0 && length < folder.size() ? std::wstring(folder.data(), length) : std::wstring();
}

std::wstring ModuleName(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name(path, length < MAX_PATH ? length : 0);
    const size_t slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? name : name.substr(slash + 1);
}
} // namespace

void RestrictDllSearchToSystemFolder()
{
    // Windows 7 has the function only with update KB2533623, so it is looked up rather than imported.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemDll(const wchar_t* fileName)
{
    HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER)
    {
        // Without KB2533623 the search flags are unknown: the full path names the system folder instead,
        // and the altered search path looks for the DLL's own imports there first.
        const std::wstring folder = SystemFolder();
        if (!folder.empty())
            module =
                ::LoadLibraryExW((folder + L"\\" + fileName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (module == nullptr)
    {
        const DWORD error = ::GetLastError();
        LogLine(std::wstring(fileName) + L" could not be loaded from the system folder :: " +
                CQError::SystemText(error));
        ::SetLastError(error);
    }
    return module;
}

void ReportMissingFunction(HMODULE module, const char* name)
{
    const DWORD error = ::GetLastError();
    std::wstring function;
    for (const char* c = name; *c; ++c)
        function += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    LogLine(ModuleName(module) + L" has no function " + function + L" :: " + CQError::SystemText(error));
    ::SetLastError(error);
}

HRESULT SystemDllUnavailable(HMODULE module)
{
    return HRESULT_FROM_WIN32(module != nullptr ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
}
