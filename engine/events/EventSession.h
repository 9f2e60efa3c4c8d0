// The live session of the system's event tracing with the Kernel-File provider and the kernel rundown,
// and the consumer thread that reads it. The only part of the driverless source that needs a real
// Windows: Wine has no event tracing, so its tests stand in for advapi32's calls.
#pragma once

#include <windows.h>

#include <evntrace.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/events/EventFeed.h"
#include "engine/events/EventTraceApi.h"

class CQEventSession : public CQEventFeed
{
public:
    // The session's fixed name: a session left behind by a crash is found by it and replaced.
    static constexpr wchar_t SessionName[] = L"Tavrello File Write Events";
    // Buffers of 64 KB, at least 64 and at most 256 of them: the rundown's burst of names at the start is
    // the largest of the session. Flushed every second, so that a quiet processor's events come soon.
    static constexpr ULONG BufferSizeKb = 64;
    static constexpr ULONG MinimumBuffers = 64;
    static constexpr ULONG MaximumBuffers = 256;
    static constexpr ULONG FlushSeconds = 1;

    explicit CQEventSession(const EventTraceApi& api = SystemEventTraceApi());
    ~CQEventSession() override;
    CQEventSession(const CQEventSession&) = delete;
    CQEventSession& operator=(const CQEventSession&) = delete;

    bool Start(CQFileEventSource& source, std::wstring& why) override;
    bool Stop() override;
    void Halt() override;
    bool QueryLosses(SessionLosses& losses) override;
    // A quiet processor's buffer comes with the next flush: a second, and a little more for the delivery.
    ULONGLONG HoldMs() const override { return FlushSeconds * 1000 + 2000; }

private:
    static DWORD WINAPI Consume(LPVOID session);
    static VOID WINAPI OnEvent(PEVENT_RECORD record);
    ULONG StartSession();
    // The session's properties with room for its name, for StartTrace and ControlTrace.
    static std::vector<BYTE> MakeProperties();
    // Stops the session by its name, the first time only, and logs what it lost.
    void StopSessionOnce();

    const EventTraceApi& m_api;
    TRACEHANDLE m_hSession = 0;
    TRACEHANDLE m_hTrace = INVALID_PROCESSTRACE_HANDLE;
    // The handle the consumer thread reads; set before the thread starts and not changed after.
    TRACEHANDLE m_hConsumerTrace = INVALID_PROCESSTRACE_HANDLE;
    HANDLE m_hConsumer = nullptr;
    CQFileEventSource* m_pSource = nullptr; // not owned
    // Why ProcessTrace returned; written by the consumer thread before it ends.
    std::wstring m_csEnd;
    // The session runs and no stop of it has been made yet (Halt may come from another thread).
    std::atomic<bool> m_boolSessionLive{false};
    // This object asked for the end of the session or of its reading: an end without it came from outside.
    std::atomic<bool> m_boolEndAsked{false};
    // Start succeeded: the session has been read.
    bool m_boolReading = false;
};
