// The filter manager's user-mode functions that the program calls, under their own names, taken from
// the system folder's fltlib.dll when first called instead of being imported: an imported fltlib.dll
// would be looked for in the program's folder first. When the DLL or a function is missing, the call
// fails as the filter manager fails, with an HRESULT (and the engine goes on without the driver).
#include <windows.h>

#include <fltuser.h>

#include "app/sysdll/SystemDll.h"

namespace
{
HMODULE FltLibModule()
{
    static const HMODULE module = LoadSystemDll(L"fltlib.dll");
    return module;
}

template <typename Function> Function FltLibFunction(const char* name)
{
    return SystemDllFunction<Function>(FltLibModule(), name);
}

HRESULT Unavailable()
{
    return SystemDllUnavailable(FltLibModule());
}
} // namespace

HRESULT WINAPI FilterConnectCommunicationPort(LPCWSTR portName, DWORD options, LPCVOID context,
                                              WORD contextSize, LPSECURITY_ATTRIBUTES security, HANDLE* port)
{
    static const auto real =
        FltLibFunction<decltype(&FilterConnectCommunicationPort)>("FilterConnectCommunicationPort");
    return real ? real(portName, options, context, contextSize, security, port) : Unavailable();
}

HRESULT WINAPI FilterSendMessage(HANDLE port, LPVOID inBuffer, DWORD inSize, LPVOID outBuffer, DWORD outSize,
                                 LPDWORD bytesReturned)
{
    static const auto real = FltLibFunction<decltype(&FilterSendMessage)>("FilterSendMessage");
    return real ? real(port, inBuffer, inSize, outBuffer, outSize, bytesReturned) : Unavailable();
}

HRESULT WINAPI FilterVolumeFindFirst(FILTER_VOLUME_INFORMATION_CLASS informationClass, LPVOID buffer,
                                     DWORD bufferSize, LPDWORD bytesReturned, PHANDLE volumeFind)
{
    static const auto real = FltLibFunction<decltype(&FilterVolumeFindFirst)>("FilterVolumeFindFirst");
    return real ? real(informationClass, buffer, bufferSize, bytesReturned, volumeFind) : Unavailable();
}

HRESULT WINAPI FilterVolumeFindNext(HANDLE volumeFind, FILTER_VOLUME_INFORMATION_CLASS informationClass,
                                    LPVOID buffer, DWORD bufferSize, LPDWORD bytesReturned)
{
    static const auto real = FltLibFunction<decltype(&FilterVolumeFindNext)>("FilterVolumeFindNext");
    return real ? real(volumeFind, informationClass, buffer, bufferSize, bytesReturned) : Unavailable();
}

HRESULT WINAPI FilterVolumeFindClose(HANDLE volumeFind)
{
    static const auto real = FltLibFunction<decltype(&FilterVolumeFindClose)>("FilterVolumeFindClose");
    return real ? real(volumeFind) : Unavailable();
}

HRESULT WINAPI FilterGetDosName(LPCWSTR volumeName, LPWSTR dosName, DWORD dosNameSize)
{
    static const auto real = FltLibFunction<decltype(&FilterGetDosName)>("FilterGetDosName");
    return real ? real(volumeName, dosName, dosNameSize) : Unavailable();
}

HRESULT WINAPI FilterVolumeInstanceFindFirst(LPCWSTR volumeName, INSTANCE_INFORMATION_CLASS informationClass,
                                             LPVOID buffer, DWORD bufferSize, LPDWORD bytesReturned,
                                             LPHANDLE instanceFind)
{
    static const auto real =
        FltLibFunction<decltype(&FilterVolumeInstanceFindFirst)>("FilterVolumeInstanceFindFirst");
    return real ? real(volumeName, informationClass, buffer, bufferSize, bytesReturned, instanceFind)
                : Unavailable();
}

HRESULT WINAPI FilterVolumeInstanceFindNext(HANDLE instanceFind, INSTANCE_INFORMATION_CLASS informationClass,
                                            LPVOID buffer, DWORD bufferSize, LPDWORD bytesReturned)
{
    static const auto real =
        FltLibFunction<decltype(&FilterVolumeInstanceFindNext)>("FilterVolumeInstanceFindNext");
    return real ? real(instanceFind, informationClass, buffer, bufferSize, bytesReturned) : Unavailable();
}

HRESULT WINAPI FilterVolumeInstanceFindClose(HANDLE instanceFind)
{
    static const auto real =
        FltLibFunction<decltype(&FilterVolumeInstanceFindClose)>("FilterVolumeInstanceFindClose");
    return real ? real(instanceFind) : Unavailable();
}

HRESULT WINAPI FilterAttach(LPCWSTR filterName, LPCWSTR volumeName, LPCWSTR instanceName, DWORD createdSize,
                            LPWSTR createdName)
{
    static const auto real = FltLibFunction<decltype(&FilterAttach)>("FilterAttach");
    return real ? real(filterName, volumeName, instanceName, createdSize, createdName) : Unavailable();
}

HRESULT WINAPI FilterDetach(LPCWSTR filterName, LPCWSTR volumeName, LPCWSTR instanceName)
{
    static const auto real = FltLibFunction<decltype(&FilterDetach)>("FilterDetach");
    return real ? real(filterName, volumeName, instanceName) : Unavailable();
}
