// The drive list: local disk volumes with a drive letter, the driver's attachment to them and their
// sizes. Everything here runs on the user-interface thread.
#include <windows.h>

#include <fltuser.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "app/Log.h"
#include "app/SettingsInterface.h"
#include "data/Handle.h"
#include "engine/LogFormat.h"
#include "engine/Monitor.h"
#include "engine/WrimonFilter.h"
#include "stats/Format.h"

namespace
{

constexpr wchar_t kVolumePrefix[] = L"\\Device\\HarddiskVolume";
constexpr size_t kVolumePrefixLength = 22;
static_assert(sizeof(kVolumePrefix) / sizeof(wchar_t) == kVolumePrefixLength + 1, "prefix length");

// Enumeration buffers; two bytes fewer are offered, so that a NUL always fits after a name.
constexpr DWORD kVolumeBufferSize = 4096;
constexpr DWORD kInstanceBufferSize = 1024;
constexpr DWORD kOfferedSlack = 2;
// FilterGetDosName's buffer, in characters.
constexpr DWORD kDosNameBuffer = 15;
// The created instance's name, in bytes.
constexpr DWORD kInstanceNameBufferSize = 512;

// HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS): the enumeration found nothing at all.
constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(0x80070103UL);

// Room for exactly one extent: a volume on more than one disk does not fit and its query fails.
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32, "one extent");

// The volume name of one basic-information entry, cut at its length and at what was returned.
std::wstring VolumeNameOf(const BYTE* buffer, DWORD bytesReturned)
{
    const size_t nameOffset = offsetof(FILTER_VOLUME_BASIC_INFORMATION, FilterVolumeName);
    USHORT cbName = 0;
    memcpy(&cbName, buffer + offsetof(FILTER_VOLUME_BASIC_INFORMATION, FilterVolumeNameLength),
           sizeof(cbName));
    size_t cbAvailable = bytesReturned > nameOffset ? bytesReturned - nameOffset : 0;
    if (cbAvailable > kVolumeBufferSize - kOfferedSlack - nameOffset)
        cbAvailable = kVolumeBufferSize - kOfferedSlack - nameOffset;
    const size_t cch = (cbName < cbAvailable ? cbName : cbAvailable) / sizeof(wchar_t);
    std::wstring name(cch, L'\0');
    if (cch != 0)
        memcpy(&name[0], buffer + nameOffset, cch * sizeof(wchar_t));
    return name;
}

bool IsHarddiskVolume(const std::wstring& name)
{
    return name.size() >= kVolumePrefixLength &&
           _wcsnicmp(name.c_str(), kVolumePrefix, kVolumePrefixLength) == 0;
}

// Whether one full-information instance entry belongs to the Wrimon filter. A name that lies outside
// what was returned does not count.
bool IsWrimonInstance(const BYTE* buffer, DWORD bytesReturned)
{
    INSTANCE_FULL_INFORMATION info;
    if (bytesReturned < sizeof(info))
        return false;
    memcpy(&info, buffer, sizeof(info));
    const size_t end = static_cast<size_t>(info.FilterNameBufferOffset) + info.FilterNameLength;
    if (end > bytesReturned || end > kInstanceBufferSize - kOfferedSlack)
        return false;
    std::wstring name(info.FilterNameLength / sizeof(wchar_t), L'\0');
    if (!name.empty())
        memcpy(&name[0], buffer + info.FilterNameBufferOffset, name.size() * sizeof(wchar_t));
    return _wcsicmp(name.c_str(), WrimonFilterName) == 0;
}

// Reads the size of the drive from its disk extents and logs it, or logs why it could not.
void ReadDriveSize(CQDriveItem* drive)
{
    const wchar_t* letter = drive->m_csLetter.c_str();
    const std::wstring device = L"\\\\.\\" + drive->m_csLetter;
    CQFileHandle volume(CreateFileW(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_RANDOM_ACCESS,
                                    nullptr));
    if (!volume.IsValid())
    {
        LogFormatted(L"Drive: %ls\\ cannot be opened", letter);
        return;
    }
    VOLUME_DISK_EXTENTS extents;
    memset(&extents, 0, sizeof(extents));
    DWORD returned = 0;
    if (!DeviceIoControl(volume.Get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents,
                         sizeof(extents), &returned, nullptr))
    {
        LogFormatted(L"Drive: %ls\\ cannot be mapped into physical drive", letter);
        return;
    }
    // Only the extents that were really returned are added up.
    const size_t headerSize = offsetof(VOLUME_DISK_EXTENTS, Extents);
    size_t count = returned > headerSize ? (returned - headerSize) / sizeof(DISK_EXTENT) : 0;
    if (count > extents.NumberOfDiskExtents)
        count = extents.NumberOfDiskExtents;
    uint64_t size = 0;
    for (size_t i = 0; i < count; ++i)
        size += static_cast<uint64_t>(extents.Extents[i].ExtentLength.QuadPart);
    drive->m_qwordSize = size;
    LogFormatted(L"Drive: %ls\\ size is: %ls", letter, FormatSize(size).c_str());
}

} // namespace

void CQMonitor::ListVolumes()
{
    {
        CQLock lock(m_lockDrives);
        m_arrDrives.RemoveAll();

        alignas(8) BYTE buffer[kVolumeBufferSize];
        DWORD returned = 0;
        HANDLE find = INVALID_HANDLE_VALUE;
        HRESULT result = FilterVolumeFindFirst(FilterVolumeBasicInformation, buffer,
                                               kVolumeBufferSize - kOfferedSlack, &returned, &find);
        if (FAILED(result))
        {
            if (find != INVALID_HANDLE_VALUE && find != nullptr)
                FilterVolumeFindClose(find);
            if (result == kNoMoreItems)
                LogLine(L"No volumes found.");
            else
                LogFormatted(L"Volume listing failed with error: 0x%08x", static_cast<unsigned>(result));
        }
        else
        {
            for (; SUCCEEDED(result);
                 result = FilterVolumeFindNext(find, FilterVolumeBasicInformation, buffer,
                                               kVolumeBufferSize - kOfferedSlack, &returned))
            {
                const std::wstring name = VolumeNameOf(buffer, returned);
                if (!IsHarddiskVolume(name))
                    continue;
                CQDriveItem* drive = new CQDriveItem;
                drive->SetVolumeName(name);
                drive->m_intInstances = CountInstances(name);

                // Only volumes with a drive letter can be monitored.
                wchar_t dosName[kDosNameBuffer] = {};
                if (FAILED(FilterGetDosName(name.c_str(), dosName, kDosNameBuffer)) || dosName[0] == L'\0')
                {
                    delete drive;
                    continue;
                }
                drive->m_csLetter.assign(1, dosName[0]);
                drive->m_csLetter += L':';
                LogFormatted(L"Volume: %ls  Letter: %ls  Instances: %d", drive->m_csVolumeName.c_str(),
                             drive->m_csLetter.c_str(), drive->m_intInstances);
                m_arrDrives.Add(drive);
            }
            FilterVolumeFindClose(find);
        }
    }

    // The list is not changed after this point, so the sizes are read without the lock.
    for (int i = 0; i < m_arrDrives.GetSize(); ++i)
        ReadDriveSize(m_arrDrives[i]);
}

int CQMonitor::CountInstances(const std::wstring& volumeName)
{
    // Without the driver the event source's attachments count, not instances a running driver may have.
    if (m_pSystemEvents != nullptr)
        return CountEventInstances(volumeName);
    alignas(8) BYTE buffer[kInstanceBufferSize];
    DWORD returned = 0;
    HANDLE find = INVALID_HANDLE_VALUE;
    HRESULT result = FilterVolumeInstanceFindFirst(volumeName.c_str(), InstanceFullInformation, buffer,
                                                   kInstanceBufferSize - kOfferedSlack, &returned, &find);
    if (FAILED(result))
    {
        // A failed start may still hand out an enumeration.
        if (find != INVALID_HANDLE_VALUE && find != nullptr)
            FilterVolumeInstanceFindClose(find);
        return 0;
    }
    int count = 0;
    for (; SUCCEEDED(result);
         result = FilterVolumeInstanceFindNext(find, InstanceFullInformation, buffer,
                                               kInstanceBufferSize - kOfferedSlack, &returned))
    {
        if (IsWrimonInstance(buffer, returned))
            ++count;
    }
    FilterVolumeInstanceFindClose(find);
    return count;
}

BOOL CQMonitor::AttachDrive(CQDriveItem* drive)
{
    // Without the driver the event source passes the drive's records on instead.
    if (m_pSystemEvents != nullptr)
        return AttachEventDrive(drive);
    // No instance is named, so the filter manager attaches the default instance.
    wchar_t created[kInstanceNameBufferSize / sizeof(wchar_t)] = {};
    const HRESULT result =
        FilterAttach(WrimonFilterName, drive->m_csLetter.c_str(), nullptr, kInstanceNameBufferSize, created);
    if (FAILED(result))
    {
        LogFormatted(L"Could not attach to device: %08lx", static_cast<unsigned long>(result));
        return 0;
    }
    created[ARRAYSIZE(created) - 1] = L'\0';
    ++drive->m_intInstances;
    LogFormatted(L" Attached to: %ls , instance name: %ls", drive->m_csLetter.c_str(), created);
    return 1;
}

BOOL CQMonitor::DetachDrive(CQDriveItem* drive)
{
    if (m_pSystemEvents != nullptr)
        return DetachEventDrive(drive);
    const HRESULT result = FilterDetach(WrimonFilterName, drive->m_csLetter.c_str(), nullptr);
    if (FAILED(result))
    {
        LogFormatted(L"Could not detach from device: %08lx", static_cast<unsigned long>(result));
        return 0;
    }
    --drive->m_intInstances;
    // The detach names no instance: the default instance that the attach created is the one detached.
    LogFormatted(L" Detached from: %ls , instance name: %ls", drive->m_csLetter.c_str(),
                 WrimonDefaultInstance);
    return 1;
}

void CQMonitor::AttachSelectedDrives()
{
    CQLock lock(m_lockDrives);
    const std::wstring selected =
        m_pSettingsInterface != nullptr ? m_pSettingsInterface->m_csSelectedDrives : std::wstring();
    for (int i = 0; i < m_arrDrives.GetSize(); ++i)
    {
        CQDriveItem* drive = m_arrDrives[i];
        // Drives that already have instances stay as they are.
        if (drive->m_intInstances != 0)
            continue;
        if (selected.empty() || selected.find(drive->m_csLetter) != std::wstring::npos)
            AttachDrive(drive);
    }
}

void CQMonitor::RecordAndDetachDrives()
{
    CQLock lock(m_lockDrives);
    std::wstring selected;
    for (int i = 0; i < m_arrDrives.GetSize(); ++i)
    {
        CQDriveItem* drive = m_arrDrives[i];
        if (drive->m_intInstances == 0)
            continue;
        selected += drive->m_csLetter;
        DetachDrive(drive);
    }
    // The attached set of this run becomes the selection of the next.
    if (m_pSettingsInterface != nullptr)
        m_pSettingsInterface->m_csSelectedDrives = selected;
}
