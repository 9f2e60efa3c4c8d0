// Placeholders for the driver link (service, port, volumes, retrieval thread) until it is built: the
// monitor loads its saved data and runs without a driver.
#include "app/ItemHandOver.h"
#include "engine/Monitor.h"

void CQMonitor::Start()
{
    LoadData();
    if (m_root.m_arrChildren.GetSize() > 0 && m_pItemHandOver != nullptr && m_pItemHandOver->IsConnected())
        m_pItemHandOver->FillView(&m_root);
}

void CQMonitor::CleanUp()
{
    RecordAndDetachDrives();
    ShutDown();
}

void CQMonitor::ShutDown()
{
    m_boolStop = 1;
    SaveData();
}

BOOL CQMonitor::InstallDriverService()
{
    return 0;
}

BOOL CQMonitor::RemoveDriverService()
{
    return 0;
}

void CQMonitor::ListVolumes() {}

int CQMonitor::CountInstances(const std::wstring&)
{
    return 0;
}

BOOL CQMonitor::AttachDrive(CQDriveItem*)
{
    return 0;
}

BOOL CQMonitor::DetachDrive(CQDriveItem*)
{
    return 0;
}

void CQMonitor::AttachSelectedDrives() {}

void CQMonitor::RecordAndDetachDrives() {}

DWORD WINAPI RetrieveLogRecords(LPVOID)
{
    return 0;
}
