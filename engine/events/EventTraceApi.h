// The event-tracing calls of advapi32 that the live session makes, in one table, so that tests can stand
// in for them: Wine has no event tracing to run the session against.
#pragma once

#include <windows.h>

#include <evntrace.h>

struct EventTraceApi
{
    ULONG(WINAPI* StartTrace)(PTRACEHANDLE, LPCWSTR, PEVENT_TRACE_PROPERTIES);
    ULONG(WINAPI* EnableTraceEx2)
    (TRACEHANDLE, LPCGUID, ULONG, UCHAR, ULONGLONG, ULONGLONG, ULONG, PENABLE_TRACE_PARAMETERS);
    TRACEHANDLE(WINAPI* OpenTrace)(PEVENT_TRACE_LOGFILEW);
    ULONG(WINAPI* ProcessTrace)(PTRACEHANDLE, ULONG, LPFILETIME, LPFILETIME);
    ULONG(WINAPI* CloseTrace)(TRACEHANDLE);
    ULONG(WINAPI* ControlTrace)(TRACEHANDLE, LPCWSTR, PEVENT_TRACE_PROPERTIES, ULONG);
};

// advapi32's own.
const EventTraceApi& SystemEventTraceApi();
