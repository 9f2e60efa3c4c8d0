// A monitor of its own for each test, with a data folder in a fresh temp folder and a captured log.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/SettingsInterface.h"
#include "app/SettingsRunTime.h"
#include "engine/Monitor.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

class MonitorTest : public ::testing::Test
{
protected:
    MonitorTest()
    {
        m_runTime.m_csDataFolder = m_folder.Path();
        m_monitor = std::make_unique<CQMonitor>();
        m_monitor->m_pSettingsInterface = &m_settings;
        m_monitor->m_pSettingsRunTime = &m_runTime;
    }

    // A drive of the drive list: C: for \Device\HarddiskVolume2 and so on.
    CQDriveItem* AddDrive(const wchar_t* volume, const wchar_t* letter)
    {
        CQDriveItem* drive = new CQDriveItem;
        drive->SetVolumeName(volume);
        drive->m_csLetter = letter;
        m_monitor->m_arrDrives.Add(drive);
        return drive;
    }

    // Processes one entry the way the processing thread does, without the thread.
    CQTreeItem* Account(const std::wstring& devicePath, uint64_t bytes,
                        const std::wstring& process = L"x.exe")
    {
        std::wstring resolved;
        m_monitor->ResolvePath(devicePath, resolved);
        CQLock lock(m_monitor->m_lockData);
        CQTreeItem* item = m_monitor->FindOrCreateItem(resolved);
        QueueEntry entry;
        entry.m_csProcessName = process;
        entry.m_qwordBytes = bytes;
        item->AddWrite(bytes, m_monitor->FindOrAddProcess(entry));
        m_monitor->m_stats.m_qwordWritten += bytes;
        m_monitor->m_stats.m_qwordWrittenAligned += CQTreeItem::AlignSize(bytes);
        m_monitor->m_stats.m_qwordOperations += 1;
        return item;
    }

    std::wstring DataFile() const { return m_folder.File(L"Monitored.Files"); }

    LogCapture m_log;
    TempFolder m_folder;
    CQSettingsInterface m_settings;
    CQSettingsRunTime m_runTime;
    std::unique_ptr<CQMonitor> m_monitor;
};

// Appends an entry to the monitor's record queue as the retrieval thread does.
inline void PushEntry(CQMonitor& monitor, const std::wstring& file, const std::wstring& process,
                      uint64_t bytes)
{
    CQLock lock(monitor.m_lockQueue);
    monitor.PushQueueEntryLocked(file.data(), file.size(), process.data(), process.size(), 0, bytes);
}

// Reads a child of an item by name, or null.
inline CQTreeItem* ChildNamed(const CQTreeItem* parent, const wchar_t* name)
{
    for (int i = 0; i < parent->m_arrChildren.GetSize(); ++i)
    {
        if (parent->m_arrChildren[i]->m_csName == name)
            return parent->m_arrChildren[i];
    }
    return nullptr;
}
