#include "app/autostart/AutostartTask.h"

#include <windows.h>

#include <initguid.h>
#include <oleauto.h>
#include <sddl.h>
#include <taskschd.h>

#include <cwchar>

#include "data/Error.h"

namespace
{
// A COM interface pointer, released once.
template <typename Interface> class ComPointer
{
public:
    ComPointer() = default;
    ~ComPointer()
    {
        if (m_p)
            m_p->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface* operator->() const { return m_p; }
    Interface** Receive() { return &m_p; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(&m_p); }

private:
    Interface* m_p = nullptr;
};

class Bstr
{
public:
    explicit Bstr(const std::wstring& text)
        : m_b(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    ~Bstr() { ::SysFreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return m_b; }

private:
    BSTR m_b;
};

// COM for the calls of one operation: initialised here unless the thread has it already.
class ComScope
{
public:
    ComScope() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // A thread already in the other apartment kind still has COM.
    bool Ready() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

private:
    HRESULT m_result;
};

std::wstring HresultText(const wchar_t* step, HRESULT result)
{
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(result));
    const DWORD win32 = HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : DWORD(result);
    return std::wstring(step) + L" failed with " + code + L" :: " + CQError::SystemText(win32);
}

std::wstring CurrentUserSid()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::wstring();
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    std::wstring sid;
    LPWSTR text = nullptr;
    if (::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
    {
        sid = text;
        ::LocalFree(text);
    }
    ::CloseHandle(token);
    return sid;
}

std::wstring XmlText(const std::wstring& text)
{
    std::wstring escaped;
    for (wchar_t c : text)
    {
        switch (c)
        {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += L"&quot;";
            break;
        case L'\'':
            escaped += L"&apos;";
            break;
        default:
            escaped += c;
            break;
        }
    }
    return escaped;
}

} // namespace

// Task Scheduler schema 1.2 (Windows Vista and later). The defaults this overrides: a task stops after
// three days, does not start on batteries, and runs below normal priority (7; 4 to 6 is normal).
std::wstring AutostartTaskXml(const std::wstring& userSid, const std::wstring& command,
                              const std::wstring& workingFolder)
{
    const std::wstring user = XmlText(userSid);
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           L"  <RegistrationInfo>\n"
           L"    <Description>Starts Tavrello with administrator rights when you log on (its option "
           L"\"Auto start Tavrello\").</Description>\n"
           L"  </RegistrationInfo>\n"
           L"  <Triggers>\n"
           L"    <LogonTrigger>\n"
           L"      <UserId>" +
           user +
           L"</UserId>\n"
           L"    </LogonTrigger>\n"
           L"  </Triggers>\n"
           L"  <Principals>\n"
           L"    <Principal id=\"Author\">\n"
           L"      <UserId>" +
           user +
           L"</UserId>\n"
           L"      <LogonType>InteractiveToken</LogonType>\n"
           L"      <RunLevel>HighestAvailable</RunLevel>\n"
           L"    </Principal>\n"
           L"  </Principals>\n"
           L"  <Settings>\n"
           L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
           L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
           L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\n"
           L"    <Priority>5</Priority>\n"
           L"  </Settings>\n"
           L"  <Actions Context=\"Author\">\n"
           L"    <Exec>\n"
           L"      <Command>" +
           XmlText(command) +
           L"</Command>\n"
           L"      <WorkingDirectory>" +
           XmlText(workingFolder) +
           L"</WorkingDirectory>\n"
           L"    </Exec>\n"
           L"  </Actions>\n"
           L"</Task>\n";
}

namespace
{
// The scheduler's root folder, connected as this process's user, with COM for as long as it is open.
class RootFolder
{
public:
    bool Open(std::wstring& error)
    {
        if (!m_com.Ready())
        {
            error = L"COM cannot be initialised";
            return false;
        }
        ComPointer<ITaskService> service;
        HRESULT result = ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_ITaskService, service.ReceiveVoid());
        if (FAILED(result))
        {
            error = HresultText(L"Creating the Task Scheduler object", result);
            return false;
        }
        VARIANT none;
        ::VariantInit(&none);
        result = service->Connect(none, none, none, none);
        if (FAILED(result))
        {
            error = HresultText(L"Connecting to the Task Scheduler", result);
            return false;
        }
        Bstr root(L"\\");
        result = service->GetFolder(root.Get(), m_folder.Receive());
        if (FAILED(result))
        {
            error = HresultText(L"Opening the Task Scheduler's root folder", result);
            return false;
        }
        return true;
    }
    ITaskFolder* operator->() const { return m_folder.operator->(); }

private:
    ComScope m_com; // first, so that it ends after the folder is released
    ComPointer<ITaskFolder> m_folder;
};

std::wstring NoUserError()
{
    return L"the user's SID cannot be read :: " + CQError::SystemText(::GetLastError());
}
} // namespace

std::wstring AutostartTaskName()
{
    const std::wstring sid = CurrentUserSid();
    return sid.empty() ? std::wstring() : L"Tavrello autostart " + sid;
}

bool RegisterAutostartTask(const std::wstring& command, const std::wstring& workingFolder,
                           std::wstring& error)
{
    const std::wstring sid = CurrentUserSid();
    if (sid.empty())
    {
        error = NoUserError();
        return false;
    }
    RootFolder folder;
    if (!folder.Open(error))
        return false;
    Bstr name(AutostartTaskName());
    Bstr xml(AutostartTaskXml(sid, command, workingFolder));
    VARIANT none;
    ::VariantInit(&none);
    ComPointer<IRegisteredTask> task;
    const HRESULT result = folder->RegisterTask(name.Get(), xml.Get(), TASK_CREATE_OR_UPDATE, none, none,
                                                TASK_LOGON_INTERACTIVE_TOKEN, none, task.Receive());
    if (FAILED(result))
    {
        error = HresultText(L"Registering the task", result);
        return false;
    }
    return true;
}

bool DeleteAutostartTask(std::wstring& error)
{
    const std::wstring taskName = AutostartTaskName();
    if (taskName.empty())
    {
        error = NoUserError();
        return false;
    }
    RootFolder folder;
    if (!folder.Open(error))
        return false;
    Bstr name(taskName);
    const HRESULT result = folder->DeleteTask(name.Get(), 0);
    if (SUCCEEDED(result) || result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
        return true;
    error = HresultText(L"Deleting the task", result);
    return false;
}
