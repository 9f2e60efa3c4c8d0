// The live session's own code with advapi32's event-tracing calls stood in for (Wine has no event
// tracing): the properties it starts the session with, the providers it enables, the retry over a session
// left by a crash, the order of the stop, the query of what was lost, and the end of a session stopped
// from outside. The stand-ins record every call; their ProcessTrace delivers events to the callback and
// returns when the session is stopped or its reading closed, as the real one does.
#include <gtest/gtest.h>

#include <windows.h>

#include <evntrace.h>

#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/WrimonProtocol.h"
#include "engine/events/EventSession.h"
#include "engine/events/FileEventSource.h"
#include "engine/events/KernelFileEvents.h"
#include "support/FileEvents.h"
#include "support/LogCapture.h"

using namespace file_events_test;

namespace
{

const std::wstring kName = L"Tavrello File Write Events";
constexpr TRACEHANDLE kSessionHandle = 0x5E55;
constexpr TRACEHANDLE kTraceHandle = 0x7ACE;

struct Enabled
{
    GUID provider;
    UCHAR level;
    ULONGLONG keywords;
};

// What the stand-ins do and what they saw; one test at a time.
struct FakeTrace
{
    std::mutex lock;
    std::vector<std::string> calls;
    std::vector<BYTE> startProperties;
    std::wstring startName;
    std::deque<ULONG> startResults;
    std::vector<Enabled> enabled;
    std::wstring openName;
    ULONG openMode = 0;
    PEVENT_RECORD_CALLBACK callback = nullptr;
    PVOID context = nullptr;
    bool openFails = false;
    std::vector<SyntheticEvent> deliver;
    ULONG lostEvents = 7;
    ULONG lostBuffers = 2;
    HANDLE ended = nullptr;

    void Call(const std::string& call)
    {
        std::lock_guard<std::mutex> guard(lock);
        calls.push_back(call);
    }
    std::vector<std::string> Calls()
    {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }
    // The calls made on the thread that runs the session, without the consumer's ProcessTrace.
    std::vector<std::string> ControlCalls()
    {
        std::vector<std::string> all = Calls(), control;
        for (const std::string& call : all)
            if (call != "ProcessTrace")
                control.push_back(call);
        return control;
    }
};
FakeTrace* g_fake = nullptr;

ULONG WINAPI FakeStartTrace(PTRACEHANDLE handle, LPCWSTR name, PEVENT_TRACE_PROPERTIES properties)
{
    g_fake->Call("StartTrace");
    const BYTE* bytes = reinterpret_cast<const BYTE*>(properties);
    g_fake->startProperties.assign(bytes, bytes + properties->Wnode.BufferSize);
    g_fake->startName = name;
    ULONG result = ERROR_SUCCESS;
    if (!g_fake->startResults.empty())
    {
        result = g_fake->startResults.front();
        g_fake->startResults.pop_front();
    }
    // A new session: a stop made before (of one left by a crash) does not end it.
    if (result == ERROR_SUCCESS)
    {
        *handle = kSessionHandle;
        ResetEvent(g_fake->ended);
    }
    return result;
}

ULONG WINAPI FakeEnableTraceEx2(TRACEHANDLE session, LPCGUID provider, ULONG code, UCHAR level, ULONGLONG any,
                                ULONGLONG all, ULONG, PENABLE_TRACE_PARAMETERS parameters)
{
    g_fake->Call("EnableTraceEx2");
    EXPECT_EQ(kSessionHandle, session);
    EXPECT_EQ(static_cast<ULONG>(EVENT_CONTROL_CODE_ENABLE_PROVIDER), code);
    EXPECT_EQ(0u, all);
    EXPECT_TRUE(parameters == nullptr || parameters->Version == ENABLE_TRACE_PARAMETERS_VERSION_2);
    g_fake->enabled.push_back(Enabled{*provider, level, any});
    return ERROR_SUCCESS;
}

TRACEHANDLE WINAPI FakeOpenTrace(PEVENT_TRACE_LOGFILEW logfile)
{
    g_fake->Call("OpenTrace");
    g_fake->openName = logfile->LoggerName != nullptr ? logfile->LoggerName : L"";
    g_fake->openMode = logfile->ProcessTraceMode;
    g_fake->callback = logfile->EventRecordCallback;
    g_fake->context = logfile->Context;
    if (g_fake->openFails)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_PROCESSTRACE_HANDLE;
    }
    return kTraceHandle;
}

ULONG WINAPI FakeProcessTrace(PTRACEHANDLE handles, ULONG count, LPFILETIME, LPFILETIME)
{
    g_fake->Call("ProcessTrace");
    EXPECT_EQ(1u, count);
    EXPECT_EQ(kTraceHandle, handles[0]);
    for (const SyntheticEvent& event : g_fake->deliver)
    {
        EVENT_RECORD record = event.Record();
        record.UserContext = g_fake->context;
        g_fake->callback(&record);
    }
    // Until the session is stopped or its reading closed.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_fake->ended, 20000));
    return ERROR_SUCCESS;
}

ULONG WINAPI FakeCloseTrace(TRACEHANDLE trace)
{
    g_fake->Call("CloseTrace");
    EXPECT_EQ(kTraceHandle, trace);
    SetEvent(g_fake->ended);
    return ERROR_CTX_CLOSE_PENDING;
}

ULONG WINAPI FakeControlTrace(TRACEHANDLE, LPCWSTR name, PEVENT_TRACE_PROPERTIES properties, ULONG code)
{
    const std::wstring session = name != nullptr ? name : L"";
    g_fake->Call(std::string(code == EVENT_TRACE_CONTROL_STOP    ? "Stop"
                             : code == EVENT_TRACE_CONTROL_QUERY ? "Query"
                                                                 : "Control") +
                 (session == kName ? " by name" : " without the name"));
    // The properties must have room for the name after them.
    EXPECT_GE(properties->Wnode.BufferSize,
              properties->LoggerNameOffset + (kName.size() + 1) * sizeof(wchar_t));
    properties->EventsLost = g_fake->lostEvents;
    properties->RealTimeBuffersLost = g_fake->lostBuffers;
    if (code == EVENT_TRACE_CONTROL_STOP)
        SetEvent(g_fake->ended);
    return ERROR_SUCCESS;
}

const EventTraceApi kFakeApi = {FakeStartTrace,   FakeEnableTraceEx2, FakeOpenTrace,
                                FakeProcessTrace, FakeCloseTrace,     FakeControlTrace};

class EventSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_fake.ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_fake = &m_fake;
        m_source.AttachVolume(L"\\Device\\HarddiskVolume1");
    }
    void TearDown() override
    {
        m_session.reset();
        g_fake = nullptr;
        CloseHandle(m_fake.ended);
    }
    bool HasLine(const std::wstring& text) const
    {
        for (const std::wstring& line : m_log.Lines())
            if (line == text)
                return true;
        return false;
    }
    size_t CountCalls(const std::string& call)
    {
        size_t count = 0;
        for (const std::string& made : m_fake.Calls())
            count += made == call ? 1 : 0;
        return count;
    }
    // Requests until the source has nothing more; the names of the records, and whether it ended.
    std::vector<std::wstring> Drain(bool& gone)
    {
        std::vector<std::wstring> names;
        std::vector<BYTE> reply(WrimonReplyBufferSize);
        gone = false;
        for (int i = 0; i < 10; ++i)
        {
            const PortReply result = m_source.RequestRecords(reply.data(), WrimonReplyBufferSize);
            if (result.Result == WrimonResultDriverGone)
            {
                gone = true;
                break;
            }
            if (result.Result != S_OK)
                break;
            const auto* header = reinterpret_cast<const WrimonRecordHeader*>(reply.data());
            if (result.BytesReturned != 0)
                names.push_back(reinterpret_cast<const wchar_t*>(reply.data() + WrimonNameOffset));
            EXPECT_TRUE(result.BytesReturned == 0 || header->Length == result.BytesReturned);
        }
        return names;
    }

    LogCapture m_log;
    FakeTrace m_fake;
    std::unique_ptr<CQEventSession> m_session = std::make_unique<CQEventSession>(kFakeApi);
    CQFileEventSource m_source{m_session.get()};
};

TEST_F(EventSessionTest, TheSessionIsStartedReadAndStoppedInTheDocumentedWay)
{
    m_fake.deliver = {KeyName(10, 8, 0x40, L"\\Device\\HarddiskVolume1\\seen.txt"),
                      Write(Shape(), 8, 0, 0x40, 12)};
    std::wstring why = L"(untouched)";
    ASSERT_TRUE(m_session->Start(m_source, why)) << why.c_str();
    EXPECT_EQ(L"(untouched)", why);

    // The properties: real-time mode alone, 64 KB buffers, 64 to 256 of them, flushed every second,
    // performance-counter time stamps, the name right after the structure.
    ASSERT_GE(m_fake.startProperties.size(), sizeof(EVENT_TRACE_PROPERTIES));
    EVENT_TRACE_PROPERTIES properties;
    memcpy(&properties, m_fake.startProperties.data(), sizeof(properties));
    EXPECT_EQ(kName, m_fake.startName);
    EXPECT_EQ(0x100u, properties.LogFileMode);
    EXPECT_EQ(64u, properties.BufferSize);
    EXPECT_EQ(64u, properties.MinimumBuffers);
    EXPECT_EQ(256u, properties.MaximumBuffers);
    EXPECT_EQ(1u, properties.FlushTimer);
    EXPECT_EQ(1u, properties.Wnode.ClientContext);
    EXPECT_NE(0u, properties.Wnode.Flags & WNODE_FLAG_TRACED_GUID);
    EXPECT_EQ(sizeof(EVENT_TRACE_PROPERTIES), properties.LoggerNameOffset);
    EXPECT_GE(properties.Wnode.BufferSize,
              sizeof(EVENT_TRACE_PROPERTIES) + (kName.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(m_fake.startProperties.size(), properties.Wnode.BufferSize);

    // Kernel-File with writes, names and creates at the informational level; the rundown's file names at
    // every level, once the session is read.
    ASSERT_EQ(2u, m_fake.enabled.size());
    EXPECT_TRUE(IsEqualGUID(KernelFileProviderGuid, m_fake.enabled[0].provider));
    EXPECT_EQ(4, m_fake.enabled[0].level);
    EXPECT_EQ(0x290u, m_fake.enabled[0].keywords);
    EXPECT_TRUE(IsEqualGUID(KernelRundownProviderGuid, m_fake.enabled[1].provider));
    EXPECT_EQ(0, m_fake.enabled[1].level);
    EXPECT_EQ(0x10u, m_fake.enabled[1].keywords);
    EXPECT_EQ(kName, m_fake.openName);
    EXPECT_EQ(0x10000100u, m_fake.openMode);
    EXPECT_EQ((std::vector<std::string>{"StartTrace", "EnableTraceEx2", "OpenTrace", "EnableTraceEx2"}),
              m_fake.ControlCalls());

    // The reading is closed before the session is stopped, and the stop waits for the reader.
    ASSERT_TRUE(m_session->Stop());
    EXPECT_EQ((std::vector<std::string>{"StartTrace", "EnableTraceEx2", "OpenTrace", "EnableTraceEx2",
                                        "CloseTrace", "Stop by name"}),
              m_fake.ControlCalls());
    EXPECT_EQ(1u, CountCalls("ProcessTrace"));
    EXPECT_TRUE(HasLine(L"System file events session stopped: 7 events and 2 buffers lost"));
    bool gone = false;
    EXPECT_EQ((std::vector<std::wstring>{L"\\Device\\HarddiskVolume1\\seen.txt"}), Drain(gone));
    EXPECT_TRUE(gone);
    EXPECT_TRUE(HasLine(L"System file events ended: the session was stopped"));
    EXPECT_TRUE(m_session->Stop()) << "a second stop does nothing";
    EXPECT_EQ(1u, CountCalls("Stop by name"));
}

TEST_F(EventSessionTest, ASessionLeftByACrashIsStoppedAndStartedAgain)
{
    m_fake.startResults = {ERROR_ALREADY_EXISTS, ERROR_SUCCESS};
    std::wstring why;
    ASSERT_TRUE(m_session->Start(m_source, why)) << why.c_str();
    const std::vector<std::string> calls = m_fake.ControlCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"StartTrace", "Stop by name", "StartTrace"}),
              std::vector<std::string>(calls.begin(), calls.begin() + 3));
    EXPECT_TRUE(HasLine(L"System file events: stopping the session left by an earlier run"));
    ASSERT_TRUE(m_session->Stop());

    // Refused again (no rights): no session, the reason said.
    std::unique_ptr<CQEventSession> refused = std::make_unique<CQEventSession>(kFakeApi);
    m_fake.startResults = {ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED};
    ASSERT_FALSE(refused->Start(m_source, why));
    EXPECT_EQ(0u, why.find(L"StartTraceW failed with error 5 (")) << why.c_str();
}

TEST_F(EventSessionTest, ASessionThatCannotBeReadIsNotLeftRunning)
{
    // As under Wine: OpenTrace refuses.
    m_fake.openFails = true;
    std::wstring why;
    ASSERT_FALSE(m_session->Start(m_source, why));
    EXPECT_EQ(0u, why.find(L"OpenTraceW failed with error 5 (")) << why.c_str();
    EXPECT_EQ((std::vector<std::string>{"StartTrace", "EnableTraceEx2", "OpenTrace", "Stop by name"}),
              m_fake.ControlCalls());
}

TEST_F(EventSessionTest, LossesAreQueriedByTheSessionsName)
{
    std::wstring why;
    ASSERT_TRUE(m_session->Start(m_source, why)) << why.c_str();
    m_fake.lostEvents = 3;
    m_fake.lostBuffers = 1;
    SessionLosses losses;
    ASSERT_TRUE(m_session->QueryLosses(losses));
    EXPECT_EQ(3u, losses.Events);
    EXPECT_EQ(1u, losses.Buffers);
    EXPECT_EQ(1u, CountCalls("Query by name"));
    ASSERT_TRUE(m_session->Stop());
    EXPECT_FALSE(m_session->QueryLosses(losses)) << "no session to ask";
    EXPECT_EQ(1u, CountCalls("Query by name"));
}

TEST_F(EventSessionTest, ASessionStoppedFromOutsideEndsTheSourceWithAClearLineAndIsStoppedOnce)
{
    std::wstring why;
    ASSERT_TRUE(m_session->Start(m_source, why)) << why.c_str();
    // Someone stops the session by its name (logman, for one): the reader's ProcessTrace returns.
    SetEvent(m_fake.ended);
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i)
    {
        Drain(gone);
        if (!gone)
            Sleep(50);
    }
    ASSERT_TRUE(gone);
    EXPECT_TRUE(HasLine(L"System file events ended: the session \"Tavrello File Write Events\" was stopped "
                        L"outside Tavrello"))
        << testing::PrintToString(m_log.Lines().size());
    // The source gave up and halted the session; the stop does not stop it again.
    EXPECT_EQ(1u, CountCalls("Stop by name"));
    m_session->Halt();
    ASSERT_TRUE(m_session->Stop());
    EXPECT_EQ(1u, CountCalls("Stop by name"));
    EXPECT_EQ(1u, CountCalls("CloseTrace"));
}

} // namespace
