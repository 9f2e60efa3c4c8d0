// The saved data file when things go wrong, with real files under Wine: a file another program holds, a
// replace that failed and left "Monitored.Files.new", a save cut short, and saves on their own thread.
#include <algorithm>
#include <atomic>
#include <optional>
#include <string>

#include "engine/Counters.h"
#include "engine/DataWriteLock.h"
#include "engine/MonitorFixture.h"
#include "engine/SaveObserver.h"
#include "support/WorkerThread.h"

namespace
{
class DataFileRecoveryTest : public MonitorTest
{
protected:
    DataFileRecoveryTest() { AddDrive(L"\\Device\\HarddiskVolume2", L"C:"); }

    // A new monitor on the same data folder, as at the next start of the program.
    void Restart()
    {
        m_monitor = std::make_unique<CQMonitor>();
        m_monitor->m_pSettingsInterface = &m_settings;
        m_monitor->m_pSettingsRunTime = &m_runTime;
        AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    }
    void Write(const wchar_t* name, uint64_t bytes)
    {
        Account(std::wstring(L"\\Device\\HarddiskVolume2\\") + name, bytes);
    }
    std::string Bytes(const std::wstring& path) const
    {
        std::string bytes;
        return ReadWholeFile(path, bytes) ? bytes : std::string("<no file>");
    }
    static bool Exists(const std::wstring& path)
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Opens the file the way another program might: no sharing at all, or reading only.
    static HANDLE Hold(const std::wstring& path, DWORD share = 0)
    {
        return CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    static void SetWriteTime(const std::wstring& path, uint64_t time)
    {
        HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        FILETIME stamp = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
        CloseHandle(file);
    }
    size_t LinesContaining(const std::wstring& part) const
    {
        const std::vector<std::wstring> lines = m_log.Lines();
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::wstring& line) { return line.find(part) != std::wstring::npos; });
    }
    uint64_t Written() const { return m_monitor->m_stats.m_qwordWritten; }

    const std::wstring m_new = DataFile() + L".new";
    const std::wstring m_unread = DataFile() + L".unread";
};

TEST_F(DataFileRecoveryTest, AFileHeldByAnotherProgramIsNeverReplacedButMovedAsideAtTheNextSave)
{
    Write(L"old.txt", 1000);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string good = Bytes(DataFile());

    Restart();
    HANDLE holder = Hold(DataFile());
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_EQ(1u, LinesContaining(L"Saved data '" + DataFile() + L"' could not be read ("));
    EXPECT_EQ(0u, Written()) << "nothing was read";

    // Still held at the save: the new data is complete beside it, the file itself untouched.
    Write(L"new.txt", 7);
    EXPECT_EQ(0, m_monitor->SaveData());
    ASSERT_TRUE(Exists(m_new));
    CloseHandle(holder);
    EXPECT_EQ(good, Bytes(DataFile()));

    // Let go: the next save moves it aside whole and writes the new data in its place.
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(good, Bytes(m_unread));
    EXPECT_FALSE(Exists(m_new));
    EXPECT_EQ(1u, LinesContaining(L"is kept as '" + m_unread + L"'"));
    Restart();
    ASSERT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(7u, Written());

    // Once more: an earlier unread file keeps its name, this one gets a number.
    const std::string second = Bytes(DataFile());
    Restart();
    holder = Hold(DataFile());
    EXPECT_EQ(0, m_monitor->LoadData());
    CloseHandle(holder);
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(good, Bytes(m_unread));
    EXPECT_EQ(second, Bytes(m_unread + L".1"));
}

TEST_F(DataFileRecoveryTest, AFolderInThePlaceOfTheFileIsUnreadAndMovedAside)
{
    ASSERT_TRUE(CreateDirectoryW(DataFile().c_str(), nullptr));
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_EQ(1u, LinesContaining(L"Saved data '" + DataFile() + L"' could not be read ("));
    Write(L"a.txt", 5);
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(m_unread.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    Restart();
    ASSERT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(5u, Written());
}

TEST_F(DataFileRecoveryTest, AfterAFailedReplaceTheNewerCompleteCopyLoadsAndTheNextSaveTidiesUp)
{
    Write(L"a.txt", 100);
    ASSERT_EQ(1, m_monitor->SaveData());
    Write(L"b.txt", 20);
    // A reader that does not allow the file to be renamed makes the replace fail.
    HANDLE holder = Hold(DataFile(), FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, m_monitor->SaveData());
    CloseHandle(holder);
    ASSERT_TRUE(Exists(m_new));
    const std::string newer = Bytes(m_new);

    Restart();
    EXPECT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(120u, Written());
    EXPECT_NE(nullptr, ChildNamed(ChildNamed(&m_monitor->m_root, L"C:"), L"b.txt"));
    EXPECT_EQ(1u, LinesContaining(L"Saved data loaded from '" + m_new + L"'"));
    EXPECT_EQ(0u, LinesContaining(L"could not be read"));

    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(newer, Bytes(DataFile()));
    EXPECT_FALSE(Exists(m_new));
    EXPECT_FALSE(Exists(m_unread));
}

TEST_F(DataFileRecoveryTest, OfTheTwoCopiesTheNewerOneThatLoadsCompletelyWins)
{
    Write(L"a.txt", 100);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string older = Bytes(DataFile());
    Write(L"b.txt", 20);
    Write(L"c.txt", 3);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string newer = Bytes(DataFile());

    const uint64_t earlier = 130000000000000000ULL;
    const uint64_t later = earlier + 600000000ULL;
    struct Case
    {
        const char* what;
        std::string dataFile;
        uint64_t dataFileTime;
        std::string newFile;
        uint64_t newFileTime;
        uint64_t written; // of the copy that must load
        int files;        // on C:
        BOOL complete;
    };
    const Case cases[] = {
        {"the new file is newer", older, earlier, newer, later, 123, 3, 1},
        {"the data file is newer", newer, later, older, earlier, 123, 3, 1},
        {"the newer new file was cut short", older, earlier, newer.substr(0, newer.size() - 30), later, 100,
         1, 1},
        {"the newer data file was cut short", newer.substr(0, newer.size() - 30), later, older, earlier, 100,
         1, 1},
        // Neither complete: the data file's own rule keeps what could be read of it (here its totals).
        {"both cut short", older.substr(0, 70), earlier, newer.substr(0, newer.size() - 30), later, 100, 0,
         0},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(WriteWholeFile(DataFile(), c.dataFile));
        ASSERT_TRUE(WriteWholeFile(m_new, c.newFile));
        SetWriteTime(DataFile(), c.dataFileTime);
        SetWriteTime(m_new, c.newFileTime);
        Restart();
        EXPECT_EQ(c.complete, m_monitor->LoadData()) << c.what;
        EXPECT_EQ(c.written, Written()) << c.what;
        // Nothing of a copy that lost is mixed in.
        const CQTreeItem* drive = ChildNamed(&m_monitor->m_root, L"C:");
        EXPECT_EQ(c.files, drive ? drive->m_arrChildren.GetSize() : 0) << c.what;
    }
}

TEST_F(DataFileRecoveryTest, AnOlderDataFileThatIsHeldIsNotReplacedAfterTheNewCopyLoads)
{
    Write(L"a.txt", 100);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string older = Bytes(DataFile());
    Write(L"b.txt", 20);
    HANDLE reader = Hold(DataFile(), FILE_SHARE_READ);
    EXPECT_EQ(0, m_monitor->SaveData());
    CloseHandle(reader);
    ASSERT_TRUE(Exists(m_new));

    Restart();
    HANDLE holder = Hold(DataFile());
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(120u, Written());
    EXPECT_EQ(1u, LinesContaining(L"Saved data '" + DataFile() + L"' could not be read ("));
    CloseHandle(holder);
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(older, Bytes(m_unread));
}

TEST_F(DataFileRecoveryTest, OnlyCountingOrClearingLeavesTheDataUnsaved)
{
    EXPECT_FALSE(m_monitor->HasUnsavedChanges()) << "a new monitor has nothing to save";
    m_monitor->Clear(0);
    EXPECT_TRUE(m_monitor->HasUnsavedChanges());
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_FALSE(m_monitor->HasUnsavedChanges());

    // A record through the processing thread.
    PushEntry(*m_monitor, L"\\Device\\HarddiskVolume2\\a.txt", L"x.exe", 10);
    HANDLE processing = CreateThread(nullptr, 0, ProcessLogRecords, m_monitor.get(), 0, nullptr);
    ASSERT_NE(nullptr, processing);
    for (int i = 0; i < 20000 && CounterLoad(m_monitor->m_stats.m_qwordOperations) == 0; ++i)
        Sleep(1);
    CounterStore(m_monitor->m_boolStop, LONG(1));
    WaitForSingleObject(processing, 30000);
    CloseHandle(processing);
    EXPECT_TRUE(m_monitor->HasUnsavedChanges());

    ASSERT_EQ(1, m_monitor->SaveData());
    Restart();
    m_monitor->LoadData();
    EXPECT_FALSE(m_monitor->HasUnsavedChanges()) << "what was loaded is what the file holds";
}

TEST_F(DataFileRecoveryTest, ABackgroundSaveWritesTheSameBytesAndOtherSavesWaitForIt)
{
    for (int i = 0; i < 3000; ++i)
        Write((L"dir" + std::to_wstring(i % 7) + L"\\f" + std::to_wstring(i) + L".txt").c_str(), 10 + i);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string direct = Bytes(DataFile());
    ASSERT_TRUE(DeleteFileW(DataFile().c_str()));

    // Each save writes "Monitored.Files.new" without sharing: two at once would fail one of them.
    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    EXPECT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(direct, Bytes(DataFile()));
    ASSERT_TRUE(DeleteFileW(DataFile().c_str()));
    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    m_monitor->m_backgroundSave.Wait();
    EXPECT_EQ(direct, Bytes(DataFile()));
    EXPECT_EQ(0u, LinesContaining(L"has failed"));
}
// The observer of saves (the write history) belongs to the user-interface thread: an autosave's success
// reaches it there, once, when that thread asks; a save on the calling thread tells it at once.
TEST_F(DataFileRecoveryTest, TheSaveObserverHearsOfAnAutosaveOnlyOnTheThreadThatAsks)
{
    struct Observer : ISaveDataObserver
    {
        std::vector<DWORD> threads;
        void OnDataSaved(CQMonitor&) override { threads.push_back(GetCurrentThreadId()); }
    } observer;
    m_monitor->m_pSaveObserver = &observer;
    Write(L"a.txt", 10);
    const DWORD self = GetCurrentThreadId();

    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    m_monitor->m_backgroundSave.Wait();
    EXPECT_TRUE(observer.threads.empty()) << "told on the autosave's own thread";
    m_monitor->NotifyBackgroundSave();
    m_monitor->NotifyBackgroundSave();
    EXPECT_EQ(std::vector<DWORD>({self}), observer.threads);

    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(std::vector<DWORD>({self, self}), observer.threads);
    m_monitor->m_pSaveObserver = nullptr;
}

TEST_F(DataFileRecoveryTest, WhileASaveCopiesTheDataReadersGoOnAndWritersWait)
{
    Write(L"a.txt", 1);
    std::optional<CQDataCopyGuard> copying;
    copying.emplace(*m_monitor);
    // The window reads the tree under the data lock: not held up by the copy.
    WorkerThread reader([&] { CQLock lock(m_monitor->m_lockData); });
    EXPECT_TRUE(reader.Join()) << "a reader waited for the copy";

    std::atomic<bool> written{false};
    WorkerThread writer(
        [&]
        {
            CQDataWriteLock lock(*m_monitor);
            written.store(true);
        });
    WorkerThread clear([&] { m_monitor->Clear(0); });
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(clear.Handle(), 300));
    EXPECT_FALSE(written.load()) << "a writer got the data lock during the copy";
    EXPECT_EQ(1u, Written()) << "a clear emptied the data during the copy";

    // The copy is over: both get through.
    copying.reset();
    EXPECT_TRUE(writer.Join());
    EXPECT_TRUE(clear.Join());
    EXPECT_TRUE(written.load());
    EXPECT_EQ(0u, Written());
}
} // namespace
