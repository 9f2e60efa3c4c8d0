#include <algorithm>
#include <ctime>

#include <windows.h>
#include <psapi.h>

#include "engine/Counters.h"
#include "engine/MonitorFixture.h"

namespace
{
TEST_F(MonitorTest, ResolvePathMapsVolumeSuffixesExactly)
{
    AddDrive(L"\\Device\\HarddiskVolume1", L"D:");
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    const struct
    {
        const wchar_t* device;
        const wchar_t* resolved;
    } cases[] = {
        {L"\\Device\\HarddiskVolume2\\Users\\a.txt", L"C:\\Users\\a.txt"},
        {L"\\Device\\HarddiskVolume1\\x", L"D:\\x"},
        {L"\\Device\\HarddiskVolume2", L"#:\\Device\\HarddiskVolume2"},
        {L"\\Device\\HarddiskVolume12\\x", L"#:\\Device\\HarddiskVolume12\\x"},
        {L"", L"#:\\unknown.file"},
        {L"\\Device\\Mup\\server\\share\\2\\x", L"#:\\Device\\Mup\\server\\share\\2\\x"},
        {L"\\Device\\CdRom0\\a", L"#:\\Device\\CdRom0\\a"},
        {L"short", L"#:short"},
    };
    std::wstring resolved = L"left over from before";
    for (const auto& c : cases)
    {
        EXPECT_EQ(1, m_monitor->ResolvePath(c.device, resolved));
        EXPECT_EQ(std::wstring(c.resolved), resolved)
            << "device path " << testing::PrintToString(std::wstring(c.device));
    }
}

TEST_F(MonitorTest, DriveWithoutLetterKeepsTheDevicePath)
{
    AddDrive(L"\\Device\\HarddiskVolume3", L"");
    std::wstring resolved;
    m_monitor->ResolvePath(L"\\Device\\HarddiskVolume3\\a", resolved);
    EXPECT_EQ(L"#:\\Device\\HarddiskVolume3\\a", resolved);
}

TEST_F(MonitorTest, CaseVariantsReachOneItem)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    CQTreeItem* upper = Account(L"\\Device\\HarddiskVolume2\\A.TXT", 1);
    CQTreeItem* lower = Account(L"\\Device\\HarddiskVolume2\\a.txt", 1);
    EXPECT_EQ(upper, lower);
    EXPECT_EQ(L"A.TXT", upper->m_csName.str()) << "the first spelling stays";
    EXPECT_EQ(2u, upper->m_qwordWritten);
}

// Far more folders than the path cache keeps: each path, asked for again in any order, finds its own item,
// and a path below a file ends on the file, whether its folder part is cached or not.
TEST_F(MonitorTest, EveryPathFindsItsOwnItemAfterTheCacheHasMovedOn)
{
    CQLock lock(m_monitor->m_lockData);
    CQTreeItem* file = m_monitor->FindOrCreateItem(L"C:\\data\\log.txt");
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_EQ(file, m_monitor->FindOrCreateItem(L"C:\\Data\\LOG.TXT\\more\\deeper.bin")) << pass;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 20000; ++i)
        paths.push_back(L"C:\\d" + std::to_wstring(i % 6000) + L"\\f" + std::to_wstring(i) + L".tmp");
    for (const std::wstring& path : paths)
        m_monitor->FindOrCreateItem(path);
    const uint64_t created = m_monitor->m_stats.m_qwordFiles;
    EXPECT_EQ(3u + 6000u + 20000u, created);
    for (size_t i = paths.size(); i-- > 0;)
    {
        std::wstring found;
        m_monitor->FindOrCreateItem(paths[i])->AppendFullPath(found);
        ASSERT_EQ(paths[i], found);
    }
    EXPECT_EQ(file, m_monitor->FindOrCreateItem(L"c:\\DATA\\log.txt\\x"));
    EXPECT_EQ(created, m_monitor->m_stats.m_qwordFiles) << "a path seen before made an item";
}

TEST_F(MonitorTest, UnknownVolumesGoBelowTheHashDrive)
{
    CQTreeItem* item = Account(L"\\Device\\HarddiskVolume9\\a.txt", 1);
    std::wstring path;
    item->AppendFullPath(path);
    EXPECT_EQ(L"#:\\Device\\HarddiskVolume9\\a.txt", path);
    EXPECT_NE(nullptr, ChildNamed(&m_monitor->m_root, L"#:"));
}

TEST_F(MonitorTest, ProcessesShareOneRecordPerNameIgnoringCase)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Account(L"\\Device\\HarddiskVolume2\\a", 10, L"Notepad.exe");
    Account(L"\\Device\\HarddiskVolume2\\b", 20, L"notepad.exe");
    Account(L"\\Device\\HarddiskVolume2\\c", 5, L"other.exe");
    Account(L"\\Device\\HarddiskVolume2\\d", 1, L"NOTEPAD.EXE");
    ASSERT_EQ(2, m_monitor->m_arrProcesses.GetSize());
    EXPECT_EQ(L"Notepad.exe", m_monitor->m_arrProcesses[0]->m_csProcessName);
    EXPECT_EQ(31u, m_monitor->m_arrProcesses[0]->m_qwordWritten);
    EXPECT_EQ(1u, m_monitor->m_arrProcesses[1]->m_dwordIndex);
}

TEST_F(MonitorTest, LookupProcessNameOpensTheProcessThenCachesIt)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring self = wcsrchr(path, L'\\') + 1;

    std::wstring name;
    m_monitor->LookupProcessName(GetCurrentProcessId(), name);
    EXPECT_EQ(0, _wcsicmp(self.c_str(), name.c_str())) << testing::PrintToString(name);
    ASSERT_EQ(1, m_monitor->m_arrRuntimeProcesses.GetSize());

    // Served from the cache afterwards, whatever the name really is.
    m_monitor->m_arrRuntimeProcesses[0]->m_csName = L"cached.exe";
    m_monitor->m_arrRuntimeProcesses[0]->m_dwordLastUsed = 0;
    m_monitor->LookupProcessName(GetCurrentProcessId(), name);
    EXPECT_EQ(L"cached.exe", name);
    EXPECT_NE(0u, m_monitor->m_arrRuntimeProcesses[0]->m_dwordLastUsed);
}

TEST_F(MonitorTest, ProcessThatCannotBeFoundIsUnknownAndNotCached)
{
    std::wstring name = L"previous";
    m_monitor->LookupProcessName(0xFFFFFFF0u, name);
    EXPECT_EQ(L"< unknown >", name);
    EXPECT_EQ(0, m_monitor->m_arrRuntimeProcesses.GetSize());
}

// A suspended child (cmd.exe): with a security descriptor that grants nothing it cannot be opened, and
// before its loader has run its module list cannot be read.
class SuspendedChild
{
public:
    explicit SuspendedChild(bool grantNothing)
    {
        wchar_t system[MAX_PATH] = L"";
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring exe = std::wstring(system) + L"\\cmd.exe";
        std::wstring commandLine = L"\"" + exe + L"\" /c exit";
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        ACL empty;
        InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(exe.c_str(), &commandLine[0], grantNothing ? &attributes : nullptr, nullptr,
                            FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &m_info))
            m_info = {};
    }
    ~SuspendedChild()
    {
        if (m_info.hProcess == nullptr)
            return;
        TerminateProcess(m_info.hProcess, 0);
        WaitForSingleObject(m_info.hProcess, 10000);
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    SuspendedChild(const SuspendedChild&) = delete;
    SuspendedChild& operator=(const SuspendedChild&) = delete;

    DWORD Id() const { return m_info.dwProcessId; }

private:
    PROCESS_INFORMATION m_info = {};
};

TEST_F(MonitorTest, AProcessThatCannotBeOpenedIsNamedFromTheSnapshotAndCached)
{
    SuspendedChild child(true);
    ASSERT_NE(0u, child.Id()) << "error " << GetLastError();
    if (HANDLE opened = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, child.Id()))
    {
        CloseHandle(opened);
        GTEST_SKIP() << "this system opens a process whose security descriptor grants nothing";
    }
    std::wstring name;
    m_monitor->LookupProcessName(child.Id(), name);
    EXPECT_EQ(0, _wcsicmp(L"cmd.exe", name.c_str())) << testing::PrintToString(name);
    ASSERT_EQ(1, m_monitor->m_arrRuntimeProcesses.GetSize());
    EXPECT_EQ(child.Id(), m_monitor->m_arrRuntimeProcesses[0]->m_dwordProcessId);
    EXPECT_EQ(name, m_monitor->m_arrRuntimeProcesses[0]->m_csName);
}

TEST_F(MonitorTest, AProcessWhoseModulesCannotBeReadIsUnknownWithoutTheSnapshotAndAskedAgain)
{
    SuspendedChild child(false);
    ASSERT_NE(0u, child.Id()) << "error " << GetLastError();
    HANDLE opened = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, child.Id());
    ASSERT_NE(nullptr, opened) << "error " << GetLastError();
    HMODULE module = nullptr;
    DWORD needed = 0;
    const BOOL listed = EnumProcessModules(opened, &module, sizeof(module), &needed);
    CloseHandle(opened);
    if (listed)
        GTEST_SKIP() << "this system lists the modules of a process that has not started yet";

    for (int lookup = 0; lookup < 2; ++lookup)
    {
        std::wstring name;
        m_monitor->LookupProcessName(child.Id(), name);
        EXPECT_EQ(L"< unknown >", name) << "the snapshot would have named it cmd.exe";
        EXPECT_EQ(0, m_monitor->m_arrRuntimeProcesses.GetSize()) << "lookup " << lookup;
    }
}

TEST_F(MonitorTest, PruneRemovesEntriesUnusedForMoreThanAnHour)
{
    const uint32_t now = static_cast<uint32_t>(time(nullptr));
    const uint32_t ages[] = {3601, 3700, 3600, 10, 5000};
    for (uint32_t i = 0; i < 5; ++i)
        m_monitor->m_arrRuntimeProcesses.Add(
            new CQRuntimeProcess(L"p" + std::to_wstring(i), i, now - ages[i]));
    // The clock may tick during the test: keep the boundary entry a second inside.
    m_monitor->m_arrRuntimeProcesses[2]->m_dwordLastUsed = now - 3600 + 2;
    m_monitor->PruneProcessCache();
    ASSERT_EQ(2, m_monitor->m_arrRuntimeProcesses.GetSize());
    EXPECT_EQ(2u, m_monitor->m_arrRuntimeProcesses[0]->m_dwordProcessId);
    EXPECT_EQ(3u, m_monitor->m_arrRuntimeProcesses[1]->m_dwordProcessId);
}

// The processing thread itself: entries queued, thread run until the queue is empty, then stopped.
class ProcessingThreadTest : public MonitorTest
{
protected:
    void Queue(const wchar_t* file, uint64_t bytes) { PushEntry(*m_monitor, file, L"p.exe", bytes); }

    void RunUntilDrained(uint64_t operations)
    {
        HANDLE thread = CreateThread(nullptr, 0, ProcessLogRecords, m_monitor.get(), 0, nullptr);
        ASSERT_NE(nullptr, thread);
        for (int i = 0; i < 500 && CounterLoad(m_monitor->m_stats.m_qwordOperations) < operations; ++i)
            Sleep(10);
        CounterStore(m_monitor->m_boolStop, LONG(1));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
        CloseHandle(thread);
    }
};

TEST_F(ProcessingThreadTest, CountsWritesAlignedAndTheNewestEntryFirst)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Queue(L"\\Device\\HarddiskVolume2\\first.txt", 1);
    Queue(L"\\Device\\HarddiskVolume2\\second.txt", 8192);
    Queue(L"\\Device\\HarddiskVolume2\\zero.txt", 0);
    RunUntilDrained(3);

    const CQStatisticsBlock& s = m_monitor->m_stats;
    EXPECT_EQ(3u, s.m_qwordOperations);
    EXPECT_EQ(8193u, s.m_qwordWritten);
    EXPECT_EQ(4096u + 8192u, s.m_qwordWrittenAligned);
    EXPECT_EQ(0, m_monitor->GetPendingRecords());

    const CQTreeItem* drive = ChildNamed(&m_monitor->m_root, L"C:");
    ASSERT_NE(nullptr, drive);
    ASSERT_EQ(3, drive->m_arrChildren.GetSize());
    // A stack: the last entry queued was created first.
    EXPECT_EQ(L"zero.txt", drive->m_arrChildren[0]->m_csName.str());
    EXPECT_EQ(L"second.txt", drive->m_arrChildren[1]->m_csName.str());
    EXPECT_EQ(L"first.txt", drive->m_arrChildren[2]->m_csName.str());
    EXPECT_EQ(1, drive->m_arrChildren[0]->m_arrProcessLinks.GetSize())
        << "a 0-byte write still links its process";
    const std::vector<std::wstring> lines = m_log.Lines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"ProcessLogRecords started"));
}

// The idle thread waits on the event for at most 100 ms: the entry that ends an empty stretch wakes it,
// and entries while it has work do not signal in vain.
TEST_F(ProcessingThreadTest, OnlyAnEntryIntoTheEmptyQueueWakesTheIdleThread)
{
    const HANDLE filled = m_monitor->m_hQueueFilled;
    ASSERT_NE(nullptr, filled);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(filled, 0));
    Queue(L"\\Device\\HarddiskVolume2\\a.txt", 1);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(filled, 0));
    Queue(L"\\Device\\HarddiskVolume2\\b.txt", 1);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(filled, 0)) << "the queue was not empty";
    RunUntilDrained(2);
    Queue(L"\\Device\\HarddiskVolume2\\c.txt", 1);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(filled, 0));
}

TEST_F(ProcessingThreadTest, DoNotLogFilesOnlyAdvancesTheTotals)
{
    m_settings.m_boolDoNotLogFiles = 1;
    Queue(L"\\Device\\HarddiskVolume2\\a.txt", 100);
    RunUntilDrained(1);
    EXPECT_EQ(1u, m_monitor->m_stats.m_qwordOperations);
    EXPECT_EQ(100u, m_monitor->m_stats.m_qwordWritten);
    EXPECT_EQ(0, m_monitor->m_root.m_arrChildren.GetSize());
    EXPECT_EQ(0, m_monitor->m_arrProcesses.GetSize());
}

TEST_F(ProcessingThreadTest, WithoutProcessCollectionItemsGetNoLinks)
{
    m_settings.m_boolCollectProcessesInformation = 0;
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Queue(L"\\Device\\HarddiskVolume2\\a.txt", 100);
    RunUntilDrained(1);
    const CQTreeItem* file = ChildNamed(ChildNamed(&m_monitor->m_root, L"C:"), L"a.txt");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(100u, file->m_qwordWritten);
    EXPECT_EQ(0, file->m_arrProcessLinks.GetSize());
    EXPECT_EQ(0, m_monitor->m_arrProcesses.GetSize());
}

TEST_F(ProcessingThreadTest, ExistingFolderPathBecomesAFolderItem)
{
    // The temp folder exists, so its path is a folder; a path that does not exist becomes a file.
    std::wstring dir = m_folder.Path();
    std::wstring letter = dir.substr(0, 2);
    AddDrive(L"\\Device\\HarddiskVolume7", letter.c_str());
    const std::wstring device = L"\\Device\\HarddiskVolume7" + dir.substr(2);
    Queue(device.c_str(), 1);
    RunUntilDrained(1);
    std::wstring resolved;
    m_monitor->ResolvePath(device, resolved);
    CQLock lock(m_monitor->m_lockData);
    CQTreeItem* folder = m_monitor->FindOrCreateItem(resolved);
    ASSERT_NE(nullptr, folder);
    EXPECT_EQ(1u, folder->GetType());
    EXPECT_EQ(1u, folder->m_qwordWritten);
}
} // namespace
