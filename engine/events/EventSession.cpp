#include "engine/events/EventSession.h"

#include <cstring>

#include "app/Log.h"
#include "data/Error.h"
#include "engine/LogFormat.h"
#include "engine/events/FileEventSource.h"
#include "engine/events/KernelFileEvents.h"

namespace
{

// The session's own GUID.
constexpr GUID kSessionGuid = {0x5C3A7E21, 0x9B4D, 0x4F6A, {0x8E, 0x12, 0x3D, 0x7B, 0x60, 0xA9, 0xC4, 0x5E}};
// A session that cannot be read ends its ProcessTrace at once; this long is waited for that.
constexpr DWORD kEarlyEndMs = 500;
// How long the stop waits for the consumer thread to leave ProcessTrace.
constexpr DWORD kStopWaitMs = 10000;
// Not in MinGW's headers.
constexpr ULONG kProcessTraceModeRealTime = 0x00000100;
constexpr ULONG kProcessTraceModeEventRecord = 0x10000000;

std::wstring Failure(const wchar_t* step, ULONG code)
{
    return FormatText(L"%ls failed with error %lu (%ls)", step, static_cast<unsigned long>(code),
                      CQError::SystemText(code).c_str());
}

EVENT_TRACE_PROPERTIES* PropertiesIn(std::vector<BYTE>& buffer)
{
    return reinterpret_cast<EVENT_TRACE_PROPERTIES*>(buffer.data());
}

} // namespace

std::unique_ptr<CQEventFeed> MakeLiveEventFeed()
{
    return std::make_unique<CQEventSession>();
}

const EventTraceApi& SystemEventTraceApi()
{
    static const EventTraceApi api = {StartTraceW,  EnableTraceEx2, OpenTraceW,
                                      ProcessTrace, CloseTrace,     ControlTraceW};
    return api;
}

CQEventSession::CQEventSession(const EventTraceApi& api) : m_api(api) {}

CQEventSession::~CQEventSession()
{
    Stop();
}

std::vector<BYTE> CQEventSession::MakeProperties()
{
    std::vector<BYTE> buffer(sizeof(EVENT_TRACE_PROPERTIES) + sizeof(SessionName), 0);
    EVENT_TRACE_PROPERTIES* properties = PropertiesIn(buffer);
    properties->Wnode.BufferSize = static_cast<ULONG>(buffer.size());
    properties->Wnode.Flags = WNODE_FLAG_TRACED_GUID;
    properties->Wnode.ClientContext = 1; // performance-counter time stamps
    properties->Wnode.Guid = kSessionGuid;
    // Buffers per processor: a single buffer for all would order the events, but costs too much on a busy
    // machine; the source orders them by their time stamps instead.
    properties->LogFileMode = EVENT_TRACE_REAL_TIME_MODE;
    properties->BufferSize = BufferSizeKb;
    properties->MinimumBuffers = MinimumBuffers;
    properties->MaximumBuffers = MaximumBuffers;
    properties->FlushTimer = FlushSeconds;
    properties->LoggerNameOffset = sizeof(EVENT_TRACE_PROPERTIES);
    memcpy(buffer.data() + sizeof(EVENT_TRACE_PROPERTIES), SessionName, sizeof(SessionName));
    return buffer;
}

ULONG CQEventSession::StartSession()
{
    std::vector<BYTE> properties = MakeProperties();
    return m_api.StartTrace(&m_hSession, SessionName, PropertiesIn(properties));
}

namespace
{
ULONG Enable(const EventTraceApi& api, TRACEHANDLE session, const GUID& provider, UCHAR level,
             ULONGLONG keywords)
{
    ENABLE_TRACE_PARAMETERS parameters = {};
    parameters.Version = ENABLE_TRACE_PARAMETERS_VERSION_2;
    return api.EnableTraceEx2(session, &provider, EVENT_CONTROL_CODE_ENABLE_PROVIDER, level, keywords, 0, 0,
                              &parameters);
}
} // namespace

bool CQEventSession::Start(CQFileEventSource& source, std::wstring& why)
{
    m_pSource = &source;
    ULONG status = StartSession();
    if (status == ERROR_ALREADY_EXISTS)
    {
        LogLine(L"System file events: stopping the session left by an earlier run");
        std::vector<BYTE> properties = MakeProperties();
        m_api.ControlTrace(0, SessionName, PropertiesIn(properties), EVENT_TRACE_CONTROL_STOP);
        status = StartSession();
    }
    if (status != ERROR_SUCCESS)
    {
        why = Failure(L"StartTraceW", status);
        return false;
    }
    m_boolSessionLive = true;

    status = Enable(m_api, m_hSession, KernelFileProviderGuid, KernelFileLevel, KernelFileKeywords);
    if (status != ERROR_SUCCESS)
    {
        why = Failure(L"EnableTraceEx2", status);
        Stop();
        return false;
    }

    EVENT_TRACE_LOGFILEW logfile = {};
    logfile.LoggerName = const_cast<LPWSTR>(SessionName);
    logfile.ProcessTraceMode = kProcessTraceModeRealTime | kProcessTraceModeEventRecord;
    logfile.EventRecordCallback = OnEvent;
    logfile.Context = m_pSource;
    m_hTrace = m_api.OpenTrace(&logfile);
    if (m_hTrace == INVALID_PROCESSTRACE_HANDLE)
    {
        why = Failure(L"OpenTraceW", GetLastError());
        Stop();
        return false;
    }

    m_hConsumerTrace = m_hTrace;
    m_hConsumer = CreateThread(nullptr, 0, Consume, this, 0, nullptr);
    if (m_hConsumer == nullptr)
    {
        why = Failure(L"CreateThread", GetLastError());
        Stop();
        return false;
    }
    if (WaitForSingleObject(m_hConsumer, kEarlyEndMs) == WAIT_OBJECT_0)
    {
        why = m_csEnd;
        Stop();
        return false;
    }

    // The rundown comes once the session is read, so that its burst of names is not lost.
    status =
        Enable(m_api, m_hSession, KernelRundownProviderGuid, KernelRundownLevel, KernelRundownKeywordFiles);
    if (status != ERROR_SUCCESS)
        LogLine(L"System file events: no names of the files open before the start: " +
                Failure(L"EnableTraceEx2", status));
    m_boolReading = true;
    return true;
}

void CQEventSession::StopSessionOnce()
{
    if (!m_boolSessionLive.exchange(false))
        return;
    m_boolEndAsked = true;
    std::vector<BYTE> buffer = MakeProperties();
    const ULONG status = m_api.ControlTrace(0, SessionName, PropertiesIn(buffer), EVENT_TRACE_CONTROL_STOP);
    const EVENT_TRACE_PROPERTIES* properties = PropertiesIn(buffer);
    // The loss figures mean something only for a session that was read.
    if (status == ERROR_SUCCESS && m_boolReading)
        LogFormatted(L"System file events session stopped: %lu events and %lu buffers lost",
                     static_cast<unsigned long>(properties->EventsLost),
                     static_cast<unsigned long>(properties->RealTimeBuffersLost));
    else if (status != ERROR_SUCCESS)
        LogLine(L"System file events: " + Failure(L"ControlTraceW", status));
}

void CQEventSession::Halt()
{
    StopSessionOnce();
}

bool CQEventSession::QueryLosses(SessionLosses& losses)
{
    if (!m_boolSessionLive)
        return false;
    std::vector<BYTE> buffer = MakeProperties();
    if (m_api.ControlTrace(0, SessionName, PropertiesIn(buffer), EVENT_TRACE_CONTROL_QUERY) != ERROR_SUCCESS)
        return false;
    losses.Events = PropertiesIn(buffer)->EventsLost;
    losses.Buffers = PropertiesIn(buffer)->RealTimeBuffersLost;
    return true;
}

bool CQEventSession::Stop()
{
    // The reading is closed first, then the session; the consumer thread leaves ProcessTrace on either.
    if (m_hTrace != INVALID_PROCESSTRACE_HANDLE)
    {
        m_boolEndAsked = true;
        const ULONG status = m_api.CloseTrace(m_hTrace);
        if (status != ERROR_SUCCESS && status != ERROR_CTX_CLOSE_PENDING)
            LogLine(L"System file events: " + Failure(L"CloseTrace", status));
        m_hTrace = INVALID_PROCESSTRACE_HANDLE;
    }
    StopSessionOnce();
    if (m_hConsumer == nullptr)
        return true;
    if (WaitForSingleObject(m_hConsumer, kStopWaitMs) != WAIT_OBJECT_0)
        return false;
    CloseHandle(m_hConsumer);
    m_hConsumer = nullptr;
    return true;
}

DWORD WINAPI CQEventSession::Consume(LPVOID parameter)
{
    CQEventSession* session = static_cast<CQEventSession*>(parameter);
    TRACEHANDLE trace = session->m_hConsumerTrace;
    const ULONG status = session->m_api.ProcessTrace(&trace, 1, nullptr, nullptr);
    if (session->m_boolEndAsked)
        session->m_csEnd = L"the session was stopped";
    else if (status == ERROR_SUCCESS)
        session->m_csEnd = FormatText(L"the session \"%ls\" was stopped outside Tavrello", SessionName);
    else
        session->m_csEnd = Failure(L"ProcessTrace", status);
    session->m_pSource->EndOfEvents(session->m_csEnd);
    return 0;
}

VOID WINAPI CQEventSession::OnEvent(PEVENT_RECORD record)
{
    static_cast<CQFileEventSource*>(record->UserContext)->Deliver(*record);
}
