// Volume and instance enumeration and DOS names.
#include "HandleTable.h"
#include "Results.h"
#include "Service.h"
#include "StateStore.h"
#include "Volumes.h"

#include <fltuser.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace standin
{
namespace
{

struct VolumeFind
{
    std::vector<std::wstring> names;
    size_t next = 0;
};

struct InstanceEntry
{
    std::wstring instance;
    std::wstring altitude;
    std::wstring volume;
};

struct InstanceFind
{
    std::vector<InstanceEntry> entries;
    size_t next = 0;
};

HandleTable<VolumeFind>& VolumeFinds()
{
    static HandleTable<VolumeFind> table;
    return table;
}

HandleTable<InstanceFind>& InstanceFinds()
{
    static HandleTable<InstanceFind> table;
    return table;
}

// Copies a built entry out: its size is always reported, the bytes only when they fit.
HRESULT CopyEntry(const std::vector<BYTE>& entry, LPVOID lpBuffer, DWORD dwBufferSize,
                  LPDWORD lpBytesReturned)
{
    *lpBytesReturned = static_cast<DWORD>(entry.size());
    if (lpBuffer == nullptr || dwBufferSize < entry.size())
        return ResultInsufficientBuffer;
    memcpy(lpBuffer, entry.data(), entry.size());
    return S_OK;
}

void PutString(std::vector<BYTE>& entry, const std::wstring& text, size_t lengthOffset, size_t offsetOffset)
{
    const USHORT cb = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    const USHORT offset = static_cast<USHORT>(entry.size());
    memcpy(entry.data() + lengthOffset, &cb, sizeof(cb));
    if (offsetOffset != SIZE_MAX)
        memcpy(entry.data() + offsetOffset, &offset, sizeof(offset));
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    entry.insert(entry.end(), bytes, bytes + cb);
}

bool BuildVolumeEntry(FILTER_VOLUME_INFORMATION_CLASS infoClass, const std::wstring& name,
                      std::vector<BYTE>& entry)
{
    if (infoClass == FilterVolumeBasicInformation)
    {
        entry.assign(offsetof(FILTER_VOLUME_BASIC_INFORMATION, FilterVolumeName), 0);
        PutString(entry, name, offsetof(FILTER_VOLUME_BASIC_INFORMATION, FilterVolumeNameLength), SIZE_MAX);
        return true;
    }
    if (infoClass == FilterVolumeStandardInformation)
    {
        entry.assign(offsetof(FILTER_VOLUME_STANDARD_INFORMATION, FilterVolumeName), 0);
        const FLT_FILESYSTEM_TYPE type = FLT_FSTYPE_NTFS;
        memcpy(entry.data() + offsetof(FILTER_VOLUME_STANDARD_INFORMATION, FileSystemType), &type,
               sizeof(type));
        PutString(entry, name, offsetof(FILTER_VOLUME_STANDARD_INFORMATION, FilterVolumeNameLength),
                  SIZE_MAX);
        return true;
    }
    return false;
}

bool BuildInstanceEntry(INSTANCE_INFORMATION_CLASS infoClass, const InstanceEntry& instance,
                        std::vector<BYTE>& entry)
{
    switch (infoClass)
    {
    case InstanceBasicInformation:
        entry.assign(sizeof(INSTANCE_BASIC_INFORMATION), 0);
        PutString(entry, instance.instance, offsetof(INSTANCE_BASIC_INFORMATION, InstanceNameLength),
                  offsetof(INSTANCE_BASIC_INFORMATION, InstanceNameBufferOffset));
        return true;
    case InstancePartialInformation:
        entry.assign(sizeof(INSTANCE_PARTIAL_INFORMATION), 0);
        PutString(entry, instance.instance, offsetof(INSTANCE_PARTIAL_INFORMATION, InstanceNameLength),
                  offsetof(INSTANCE_PARTIAL_INFORMATION, InstanceNameBufferOffset));
        PutString(entry, instance.altitude, offsetof(INSTANCE_PARTIAL_INFORMATION, AltitudeLength),
                  offsetof(INSTANCE_PARTIAL_INFORMATION, AltitudeBufferOffset));
        return true;
    case InstanceFullInformation:
        entry.assign(sizeof(INSTANCE_FULL_INFORMATION), 0);
        PutString(entry, instance.instance, offsetof(INSTANCE_FULL_INFORMATION, InstanceNameLength),
                  offsetof(INSTANCE_FULL_INFORMATION, InstanceNameBufferOffset));
        PutString(entry, instance.altitude, offsetof(INSTANCE_FULL_INFORMATION, AltitudeLength),
                  offsetof(INSTANCE_FULL_INFORMATION, AltitudeBufferOffset));
        PutString(entry, instance.volume, offsetof(INSTANCE_FULL_INFORMATION, VolumeNameLength),
                  offsetof(INSTANCE_FULL_INFORMATION, VolumeNameBufferOffset));
        PutString(entry, FilterName, offsetof(INSTANCE_FULL_INFORMATION, FilterNameLength),
                  offsetof(INSTANCE_FULL_INFORMATION, FilterNameBufferOffset));
        return true;
    default:
        return false;
    }
}

// The next entry of an enumeration; the position moves on only when the entry was delivered.
template <typename Find, typename Build>
HRESULT NextEntry(Find& find, size_t count, Build build, LPVOID lpBuffer, DWORD dwBufferSize,
                  LPDWORD lpBytesReturned)
{
    if (find.next >= count)
        return ResultNoMoreItems;
    std::vector<BYTE> entry;
    if (!build(find.next, entry))
        return ResultInvalidParameter;
    const HRESULT result = CopyEntry(entry, lpBuffer, dwBufferSize, lpBytesReturned);
    if (SUCCEEDED(result))
        ++find.next;
    return result;
}

HRESULT NextVolume(VolumeFind& find, FILTER_VOLUME_INFORMATION_CLASS infoClass, LPVOID lpBuffer,
                   DWORD dwBufferSize, LPDWORD lpBytesReturned)
{
    auto build = [&](size_t index, std::vector<BYTE>& entry)
    { return BuildVolumeEntry(infoClass, find.names[index], entry); };
    return NextEntry(find, find.names.size(), build, lpBuffer, dwBufferSize, lpBytesReturned);
}

HRESULT NextInstance(InstanceFind& find, INSTANCE_INFORMATION_CLASS infoClass, LPVOID lpBuffer,
                     DWORD dwBufferSize, LPDWORD lpBytesReturned)
{
    auto build = [&](size_t index, std::vector<BYTE>& entry)
    { return BuildInstanceEntry(infoClass, find.entries[index], entry); };
    return NextEntry(find, find.entries.size(), build, lpBuffer, dwBufferSize, lpBytesReturned);
}

// Instances of the filter on the volume; none unless the driver runs.
std::vector<InstanceEntry> ListInstances(const FixedVolume& volume)
{
    std::vector<InstanceEntry> entries;
    if (!IsWrimonRunning())
        return entries;
    for (const std::wstring& name : ReadAttachedInstances(volume.DeviceName))
    {
        InstanceEntry entry{name, std::wstring(), volume.DeviceName};
        ReadInstanceAltitude(name, entry.altitude);
        entries.push_back(entry);
    }
    return entries;
}

} // namespace
} // namespace standin

using namespace standin;

extern "C" HRESULT WINAPI FilterVolumeFindFirst(FILTER_VOLUME_INFORMATION_CLASS dwInformationClass,
                                                LPVOID lpBuffer, DWORD dwBufferSize, LPDWORD lpBytesReturned,
                                                PHANDLE lpVolumeFind)
{
    if (lpBytesReturned == nullptr || lpVolumeFind == nullptr)
        return ResultInvalidParameter;
    *lpVolumeFind = INVALID_HANDLE_VALUE;
    *lpBytesReturned = 0;
    auto find = std::make_unique<VolumeFind>();
    for (const FixedVolume& volume : ListFixedVolumes())
        find->names.push_back(volume.DeviceName);
    const HRESULT result = NextVolume(*find, dwInformationClass, lpBuffer, dwBufferSize, lpBytesReturned);
    if (SUCCEEDED(result))
        *lpVolumeFind = VolumeFinds().Add(std::move(find));
    return result;
}

extern "C" HRESULT WINAPI FilterVolumeFindNext(HANDLE hVolumeFind,
                                               FILTER_VOLUME_INFORMATION_CLASS dwInformationClass,
                                               LPVOID lpBuffer, DWORD dwBufferSize, LPDWORD lpBytesReturned)
{
    if (lpBytesReturned == nullptr)
        return ResultInvalidParameter;
    *lpBytesReturned = 0;
    HRESULT result = ResultInvalidHandle;
    VolumeFinds().With(
        hVolumeFind, [&](VolumeFind& find)
        { result = NextVolume(find, dwInformationClass, lpBuffer, dwBufferSize, lpBytesReturned); });
    return result;
}

extern "C" HRESULT WINAPI FilterVolumeFindClose(HANDLE hVolumeFind)
{
    return VolumeFinds().Remove(hVolumeFind) ? S_OK : ResultInvalidHandle;
}

extern "C" HRESULT WINAPI FilterGetDosName(LPCWSTR lpVolumeName, LPWSTR lpDosName, DWORD dwDosNameBufferSize)
{
    if (lpVolumeName == nullptr || lpDosName == nullptr)
        return ResultInvalidParameter;
    FixedVolume volume;
    if (!FindVolume(lpVolumeName, volume))
        return ResultVolumeNotFound;
    if (dwDosNameBufferSize < 3)
        return ResultInsufficientBuffer;
    lpDosName[0] = volume.Letter;
    lpDosName[1] = L':';
    lpDosName[2] = L'\0';
    return S_OK;
}

extern "C" HRESULT WINAPI FilterVolumeInstanceFindFirst(LPCWSTR lpVolumeName,
                                                        INSTANCE_INFORMATION_CLASS dwInformationClass,
                                                        LPVOID lpBuffer, DWORD dwBufferSize,
                                                        LPDWORD lpBytesReturned,
                                                        LPHANDLE lpVolumeInstanceFind)
{
    if (lpVolumeName == nullptr || lpBytesReturned == nullptr || lpVolumeInstanceFind == nullptr)
        return ResultInvalidParameter;
    *lpVolumeInstanceFind = INVALID_HANDLE_VALUE;
    *lpBytesReturned = 0;
    FixedVolume volume;
    if (!FindVolume(lpVolumeName, volume))
        return ResultVolumeNotFound;
    auto find = std::make_unique<InstanceFind>();
    find->entries = ListInstances(volume);
    const HRESULT result = NextInstance(*find, dwInformationClass, lpBuffer, dwBufferSize, lpBytesReturned);
    if (SUCCEEDED(result))
        *lpVolumeInstanceFind = InstanceFinds().Add(std::move(find));
    return result;
}

extern "C" HRESULT WINAPI FilterVolumeInstanceFindNext(HANDLE hVolumeInstanceFind,
                                                       INSTANCE_INFORMATION_CLASS dwInformationClass,
                                                       LPVOID lpBuffer, DWORD dwBufferSize,
                                                       LPDWORD lpBytesReturned)
{
    if (lpBytesReturned == nullptr)
        return ResultInvalidParameter;
    *lpBytesReturned = 0;
    HRESULT result = ResultInvalidHandle;
    InstanceFinds().With(
        hVolumeInstanceFind, [&](InstanceFind& find)
        { result = NextInstance(find, dwInformationClass, lpBuffer, dwBufferSize, lpBytesReturned); });
    return result;
}

extern "C" HRESULT WINAPI FilterVolumeInstanceFindClose(HANDLE hVolumeInstanceFind)
{
    return InstanceFinds().Remove(hVolumeInstanceFind) ? S_OK : ResultInvalidHandle;
}
