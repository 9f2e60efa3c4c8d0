// The monitor without the Wrimon driver: starting and stopping the system's file events, and attaching
// drives by letting the source pass their records on.
#include <windows.h>

#include "app/Log.h"
#include "engine/LogFormat.h"
#include "engine/Monitor.h"
#include "engine/events/SystemEvents.h"

namespace
{
// What the attach and detach lines show where the driver names its instance.
constexpr wchar_t kInstanceName[] = L"system events";
// The filter manager's codes for the same two refusals.
constexpr unsigned long kInstanceNameCollision = 0x801F0012UL;
constexpr unsigned long kInstanceNotFound = 0x801F0015UL;
} // namespace

BOOL CQMonitor::StartSystemEvents()
{
    std::unique_ptr<CQEventFeed> feed = m_fnMakeEventFeed ? m_fnMakeEventFeed() : MakeLiveEventFeed();
    auto events = std::make_unique<CQSystemEvents>(std::move(feed));
    std::wstring why;
    if (!events->Start(why))
    {
        LogLine(L"System file events are not available: " + why);
        return 0;
    }
    LogLine(L"Using system file events (no Wrimon driver)");
    m_pRecordSource = &events->Source();
    m_pSystemEvents = std::move(events);
    return 1;
}

void CQMonitor::StopSystemEvents()
{
    m_pRecordSource = nullptr;
    if (!m_pSystemEvents)
        return;
    if (!m_pSystemEvents->Stop())
    {
        // Its reader may still deliver events, so what it delivers to must live on.
        LogLine(L"System file events: the session's reader did not end");
        static_cast<void>(m_pSystemEvents.release());
        return;
    }
    m_pSystemEvents.reset();
}

void CQMonitor::HaltSystemEvents()
{
    if (m_pSystemEvents)
        m_pSystemEvents->Halt();
}

int CQMonitor::CountEventInstances(const std::wstring& volumeName)
{
    return m_pSystemEvents->Source().IsVolumeAttached(volumeName) ? 1 : 0;
}

BOOL CQMonitor::AttachEventDrive(CQDriveItem* drive)
{
    if (!m_pSystemEvents->Source().AttachVolume(drive->m_csVolumeName))
    {
        LogFormatted(L"Could not attach to device: %08lx", kInstanceNameCollision);
        return 0;
    }
    ++drive->m_intInstances;
    LogFormatted(L" Attached to: %ls , instance name: %ls", drive->m_csLetter.c_str(), kInstanceName);
    return 1;
}

BOOL CQMonitor::DetachEventDrive(CQDriveItem* drive)
{
    if (!m_pSystemEvents->Source().DetachVolume(drive->m_csVolumeName))
    {
        LogFormatted(L"Could not detach from device: %08lx", kInstanceNotFound);
        return 0;
    }
    --drive->m_intInstances;
    LogFormatted(L" Detached from: %ls , instance name: %ls", drive->m_csLetter.c_str(), kInstanceName);
    return 1;
}
