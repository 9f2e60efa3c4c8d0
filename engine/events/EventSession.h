// The live session of the system's event tracing with the Kernel-File provider and the kernel rundown,
// and the consumer thread that reads it. The only part of the driverless source that needs a real
// Windows: Wine has no event tracing, so no test here can run it.
#pragma once

#include <windows.h>

#include <evntrace.h>

#include <string>
#include <vector>

#include "engine/events/EventFeed.h"

class CQEventSession : public CQEventFeed
{
public:
    // The session's fixed name: a session left behind by a crash is found by it and replaced.
    static constexpr wchar_t SessionName[] = L"Tavrello File Write Events";

    CQEventSession() = default;
    ~CQEventSession() override;
    CQEventSession(const CQEventSession&) = delete;
    CQEventSession& operator=(const CQEventSession&) = delete;

    bool Start(CQFileEventSource& source, std::wstring& why) override;
    bool Stop() override;

private:
    static DWORD WINAPI Consume(LPVOID session);
    static VOID WINAPI OnEvent(PEVENT_RECORD record);
    ULONG StartSession();
    // Stops the session by its name; the properties get its loss figures.
    ULONG StopSession();

    std::vector<BYTE> m_arrProperties;
    TRACEHANDLE m_hSession = 0;
    TRACEHANDLE m_hTrace = INVALID_PROCESSTRACE_HANDLE;
    // The handle the consumer thread reads; set before the thread starts and not changed after.
    TRACEHANDLE m_hConsumerTrace = INVALID_PROCESSTRACE_HANDLE;
    HANDLE m_hConsumer = nullptr;
    CQFileEventSource* m_pSource = nullptr; // not owned
    // Why ProcessTrace returned; written by the consumer thread before it ends.
    std::wstring m_csEnd;
    bool m_boolSessionStarted = false;
    // Start succeeded: the session has been read.
    bool m_boolReading = false;
};
