#include "main/TavrelloProgram.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <cwctype>
#include <vector>

#include "resources/resource.h"

namespace
{
constexpr DWORD kPollMs = 25;
constexpr UINT kSendTimeoutMs = 5000;
constexpr int kStartAttempts = 3;
// Variables of the driver stand-in that the test decides on for each start.
const wchar_t* const kStandInVariables[] = {L"WRIMON_STANDIN_DEMO", L"WRIMON_STANDIN_FEED"};

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

struct WindowSearch
{
    DWORD processId;
    std::function<bool(HWND)> accept;
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM lParam)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId != search->processId || !search->accept(hwnd))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND FindTopLevelWindow(DWORD processId, const std::function<bool(HWND)>& accept)
{
    WindowSearch search = {processId, accept, nullptr};
    ::EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
} // namespace

TavrelloProgram::~TavrelloProgram()
{
    Terminate();
}

std::wstring TavrelloProgram::BinFolder()
{
    std::vector<wchar_t> path(MAX_PATH);
    while (::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())) >= path.size())
        path.resize(path.size() * 2);
    std::wstring folder(path.data());
    const size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash);
}

bool TavrelloProgram::HasDriverStandIn()
{
    return ::GetFileAttributesW((BinFolder() + L"\\wrimon.sys").c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring TavrelloProgram::BuildEnvironmentBlock() const
{
    // Sorted by upper-case name, as Windows keeps an environment block.
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> variables;
    if (wchar_t* block = ::GetEnvironmentStringsW())
    {
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1)
        {
            std::wstring text(entry);
            // Entries like "=C:=C:\dir" keep their leading '='.
            const size_t equals = text.find(L'=', 1);
            if (equals == std::wstring::npos)
                continue;
            const std::wstring name = text.substr(0, equals);
            variables[Upper(name)] = {name, text.substr(equals + 1)};
        }
        ::FreeEnvironmentStringsW(block);
    }
    for (const wchar_t* name : kStandInVariables)
        variables.erase(Upper(name));
    for (const auto& [name, value] : m_environment)
        variables[Upper(name)] = {name, value};

    std::wstring result;
    for (const auto& entry : variables)
    {
        result += entry.second.first + L"=" + entry.second.second;
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

bool TavrelloProgram::Start(std::wstring* error)
{
    Terminate();
    const std::wstring executable = Executable();
    std::wstring commandLine = L"\"" + executable + L"\"";
    std::wstring environment = BuildEnvironmentBlock();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    m_hMainWindow = nullptr;
    DWORD lastError = 0;
    // Wine on a loaded machine now and then fails to bring a new process up (ERROR_INTERNAL_ERROR); that
    // says nothing about the program, so the start is tried again.
    for (int attempt = 0; attempt < kStartAttempts; ++attempt)
    {
        if (::CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                             CREATE_UNICODE_ENVIRONMENT, &environment[0],
                             m_workingFolder.empty() ? nullptr : m_workingFolder.c_str(), &startup,
                             &m_processInfo))
            return true;
        lastError = ::GetLastError();
        m_processInfo = {};
        if (lastError != ERROR_INTERNAL_ERROR)
            break;
        ::Sleep(500);
    }
    if (error)
        *error = L"CreateProcessW(" + executable + L") failed with " + std::to_wstring(lastError);
    return false;
}

bool TavrelloProgram::IsRunning() const
{
    return m_processInfo.hProcess && ::WaitForSingleObject(m_processInfo.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> TavrelloProgram::WaitForExit(DWORD milliseconds)
{
    if (!m_processInfo.hProcess ||
        ::WaitForSingleObject(m_processInfo.hProcess, milliseconds) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(m_processInfo.hProcess, &code);
    return code;
}

void TavrelloProgram::Terminate()
{
    if (m_processInfo.hProcess)
    {
        if (::WaitForSingleObject(m_processInfo.hProcess, 0) == WAIT_TIMEOUT)
        {
            ::TerminateProcess(m_processInfo.hProcess, 0xDEAD);
            ::WaitForSingleObject(m_processInfo.hProcess, 10000);
        }
        ::CloseHandle(m_processInfo.hProcess);
    }
    if (m_processInfo.hThread)
        ::CloseHandle(m_processInfo.hThread);
    m_processInfo = {};
    m_hMainWindow = nullptr;
}

HWND TavrelloProgram::WaitForMainWindow(DWORD milliseconds)
{
    const DWORD processId = m_processInfo.dwProcessId;
    WaitFor(
        [&]
        {
            m_hMainWindow = FindTopLevelWindow(processId,
                                               [](HWND hwnd)
                                               {
                                                   return WindowClass(hwnd) == L"#32770" &&
                                                          WindowText(hwnd) == L"Tavrello" &&
                                                          ::GetDlgItem(hwnd, IDC_FILES_TREE) != nullptr;
                                               });
            return m_hMainWindow != nullptr || !IsRunning();
        },
        milliseconds);
    return m_hMainWindow;
}

HWND TavrelloProgram::Item(int id) const
{
    return m_hMainWindow ? ::GetDlgItem(m_hMainWindow, id) : nullptr;
}

std::wstring TavrelloProgram::Text(int id) const
{
    HWND hControl = Item(id);
    if (!hControl)
        return L"<no control " + std::to_wstring(id) + L">";
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(hControl, WM_GETTEXT, static_cast<WPARAM>(std::size(buffer)),
                               reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return L"<no answer>";
    return std::wstring(buffer, std::min<size_t>(copied, std::size(buffer) - 1));
}

bool TavrelloProgram::WaitForText(int id, const std::function<bool(const std::wstring&)>& accept,
                                  DWORD milliseconds) const
{
    return WaitFor([&] { return accept(Text(id)); }, milliseconds);
}

bool TavrelloProgram::WaitForTextEquals(int id, const std::wstring& expected, DWORD milliseconds) const
{
    return WaitForText(
        id, [&](const std::wstring& text) { return text == expected; }, milliseconds);
}

bool TavrelloProgram::WaitForFirstRefresh(DWORD milliseconds) const
{
    return WaitForText(
        IDC_QUEUE_STATUS, [](const std::wstring& text) { return !text.empty(); }, milliseconds);
}

HWND TavrelloProgram::WaitForWindow(const wchar_t* className, const std::function<bool(HWND)>& accept,
                                    DWORD milliseconds) const
{
    HWND found = nullptr;
    const std::wstring wanted = className;
    WaitFor(
        [&]
        {
            found = FindTopLevelWindow(m_processInfo.dwProcessId,
                                       [&](HWND hwnd) {
                                           return hwnd != m_hMainWindow && ::IsWindowVisible(hwnd) &&
                                                  WindowClass(hwnd) == wanted && accept(hwnd);
                                       });
            return found != nullptr;
        },
        milliseconds);
    return found;
}

HWND TavrelloProgram::WaitForDialog(const std::wstring& title, DWORD milliseconds) const
{
    return WaitForWindow(
        L"#32770",
        [&](HWND hwnd) { return ::GetWindow(hwnd, GW_OWNER) == m_hMainWindow && WindowText(hwnd) == title; },
        milliseconds);
}

void TavrelloProgram::Click(int id) const
{
    ::PostMessageW(Item(id), BM_CLICK, 0, 0);
}

void TavrelloProgram::PostKey(HWND target, UINT virtualKey) const
{
    const UINT scanCode = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
    ::PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scanCode << 16) | 0xC0000000u);
}

HWND TavrelloProgram::FocusOrMainWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD threadId = ::GetWindowThreadProcessId(m_hMainWindow, nullptr);
    if (::GetGUIThreadInfo(threadId, &info) && info.hwndFocus &&
        (info.hwndFocus == m_hMainWindow || ::IsChild(m_hMainWindow, info.hwndFocus)))
        return info.hwndFocus;
    return m_hMainWindow;
}

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds)
{
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;)
    {
        if (done())
            return true;
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(kPollMs);
    }
}

std::wstring WindowClass(HWND hwnd)
{
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[4096] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, static_cast<WPARAM>(std::size(text)),
                               reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return std::wstring();
    return std::wstring(text, std::min<size_t>(copied, std::size(text) - 1));
}
