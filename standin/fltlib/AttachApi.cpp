// Attaching and detaching instances of the filter. The attachments are kept in the registry state of the
// current driver load (StateStore.h), so every process sees them and they end with the driver.
#include "DriverView.h"
#include "Lock.h"
#include "Results.h"
#include "Service.h"
#include "StateStore.h"
#include "Volumes.h"

#include <fltuser.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace standin
{
namespace
{

// Checks common to attach and detach: the filter is ours and loaded, the volume exists, and the instance
// is named or configured as the default.
HRESULT ResolveTarget(LPCWSTR lpFilterName, LPCWSTR lpVolumeName, LPCWSTR lpInstanceName, FixedVolume& volume,
                      std::wstring& instance)
{
    if (lpFilterName == nullptr || lpVolumeName == nullptr)
        return ResultInvalidParameter;
    if (!EqualsNoCase(lpFilterName, FilterName) || !IsWrimonRunning())
        return ResultFilterNotFound;
    if (!FindVolume(lpVolumeName, volume))
        return ResultVolumeNotFound;
    if (lpInstanceName != nullptr && lpInstanceName[0] != L'\0')
        instance = lpInstanceName;
    else if (!ReadDefaultInstance(instance))
        return ResultInstanceNotFound;
    return S_OK;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    return std::any_of(names.begin(), names.end(),
                       [&name](const std::wstring& candidate) { return EqualsNoCase(candidate, name); });
}

} // namespace
} // namespace standin

using namespace standin;

extern "C" HRESULT WINAPI FilterAttach(LPCWSTR lpFilterName, LPCWSTR lpVolumeName, LPCWSTR lpInstanceName,
                                       DWORD dwCreatedInstanceNameLength, LPWSTR lpCreatedInstanceName)
{
    FixedVolume volume;
    std::wstring instance;
    HRESULT result = ResolveTarget(lpFilterName, lpVolumeName, lpInstanceName, volume, instance);
    if (FAILED(result))
        return result;
    // An instance is attached at the altitude of its configuration; without one it cannot be created.
    std::wstring altitude;
    if (!ReadInstanceAltitude(instance, altitude))
        return ResultInstanceNotFound;
    // Checked first, so that a failure leaves nothing attached.
    const size_t cbName = (instance.size() + 1) * sizeof(wchar_t);
    if (lpCreatedInstanceName != nullptr && dwCreatedInstanceNameLength < cbName)
        return ResultInsufficientBuffer;

    {
        SharedStateGuard shared;
        if (EnsureSession() == 0)
            return ResultFilterNotFound;
        std::vector<std::wstring> attached = ReadAttachedInstances(volume.DeviceName);
        if (Contains(attached, instance))
            return ResultInstanceNameCollision;
        for (const std::wstring& other : attached)
        {
            std::wstring otherAltitude;
            if (ReadInstanceAltitude(other, otherAltitude) && otherAltitude == altitude)
                return ResultAltitudeCollision;
        }
        attached.push_back(instance);
        if (!WriteAttachedInstances(volume.DeviceName, attached))
            return ResultFilterNotFound;
    }
    InvalidateDriverView();
    if (lpCreatedInstanceName != nullptr)
        memcpy(lpCreatedInstanceName, instance.c_str(), cbName);
    return S_OK;
}

extern "C" HRESULT WINAPI FilterDetach(LPCWSTR lpFilterName, LPCWSTR lpVolumeName, LPCWSTR lpInstanceName)
{
    FixedVolume volume;
    std::wstring instance;
    HRESULT result = ResolveTarget(lpFilterName, lpVolumeName, lpInstanceName, volume, instance);
    if (FAILED(result))
        return result;
    {
        SharedStateGuard shared;
        std::vector<std::wstring> attached = ReadAttachedInstances(volume.DeviceName);
        auto found =
            std::find_if(attached.begin(), attached.end(),
                         [&instance](const std::wstring& name) { return EqualsNoCase(name, instance); });
        if (found == attached.end())
            return ResultInstanceNotFound;
        attached.erase(found);
        if (!WriteAttachedInstances(volume.DeviceName, attached))
            return ResultInstanceNotFound;
    }
    InvalidateDriverView();
    return S_OK;
}
