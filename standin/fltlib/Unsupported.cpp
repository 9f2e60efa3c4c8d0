// The rest of the filter manager library: exported so that any program linked against it loads, but not
// offered by the stand-in.
#include "Results.h"

#include <fltuser.h>

using standin::ResultNotImplemented;

extern "C"
{

    HRESULT WINAPI FilterAttachAtAltitude(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPWSTR)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterClose(HFILTER)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterCreate(LPCWSTR, HFILTER*)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterFindClose(HANDLE)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterFindFirst(FILTER_INFORMATION_CLASS, LPVOID, DWORD, LPDWORD, LPHANDLE)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterFindNext(HANDLE, FILTER_INFORMATION_CLASS, LPVOID, DWORD, LPDWORD)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterGetInformation(HFILTER, FILTER_INFORMATION_CLASS, LPVOID, DWORD, LPDWORD)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterGetMessage(HANDLE, PFILTER_MESSAGE_HEADER, DWORD, LPOVERLAPPED)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterInstanceClose(HFILTER_INSTANCE)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterInstanceCreate(LPCWSTR, LPCWSTR, LPCWSTR, HFILTER_INSTANCE*)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterInstanceFindClose(HANDLE)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterInstanceFindFirst(LPCWSTR, INSTANCE_INFORMATION_CLASS, LPVOID, DWORD, LPDWORD,
                                           LPHANDLE)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterInstanceFindNext(HANDLE, INSTANCE_INFORMATION_CLASS, LPVOID, DWORD, LPDWORD)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterInstanceGetInformation(HFILTER_INSTANCE, INSTANCE_INFORMATION_CLASS, LPVOID, DWORD,
                                                LPDWORD)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterLoad(LPCWSTR)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterReplyMessage(HANDLE, PFILTER_REPLY_HEADER, DWORD)
    {
        return ResultNotImplemented;
    }
    HRESULT WINAPI FilterUnload(LPCWSTR)
    {
        return ResultNotImplemented;
    }

} // extern "C"
