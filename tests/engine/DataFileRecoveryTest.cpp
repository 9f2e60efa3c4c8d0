// The saved data file when things go wrong, with real files under Wine: a file another program holds, a
// replace that failed and left its complete new copy, copies whose clock order lies, faults the system
// cannot be made to produce (through the replace's hook), links planted in the data folder, and saves on
// their own thread.
#include <algorithm>
#include <atomic>
#include <optional>
#include <string>

#include "data/SafeReplace.h"
#include "data/SaveTrailer.h"
#include "engine/Counters.h"
#include "engine/DataWriteLock.h"
#include "engine/MonitorFixture.h"
#include "engine/SaveObserver.h"
#include "support/SymbolicLink.h"
#include "support/WorkerThread.h"

namespace
{
CQReplaceStep g_faultStep = CQReplaceStep::allocate;
DWORD g_faultError = NO_ERROR;

DWORD InjectFault(CQReplaceStep step, const std::wstring&)
{
    return step == g_faultStep ? g_faultError : NO_ERROR;
}

class DataFileRecoveryTest : public MonitorTest
{
protected:
    DataFileRecoveryTest() { AddDrive(L"\\Device\\HarddiskVolume2", L"C:"); }
    ~DataFileRecoveryTest() override { SetReplaceFaultHook(nullptr); }

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
    // What a save wrote before its trailer, and the trailer's tag (the save's sequence number).
    static std::string Contents(const std::string& bytes)
    {
        return bytes.substr(0, bytes.size() >= kSaveTrailerBytes ? bytes.size() - kSaveTrailerBytes : 0);
    }
    static uint64_t Sequence(const std::string& bytes)
    {
        const CQTrailerCheck check = CheckSaveTrailer(bytes);
        return check.state == CQTrailerCheck::verified ? check.tag : 0;
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
    bool Told(const std::wstring& part) const
    {
        const std::vector<std::wstring>& notices = m_monitor->m_savedData.notices;
        return std::any_of(notices.begin(), notices.end(),
                           [&](const std::wstring& notice)
                           { return notice.find(part) != std::wstring::npos; });
    }
    uint64_t Written() const { return m_monitor->m_stats.m_qwordWritten; }
    int FilesOnC() const
    {
        const CQTreeItem* drive = ChildNamed(&m_monitor->m_root, L"C:");
        return drive ? drive->m_arrChildren.GetSize() : 0;
    }

    const std::wstring m_new = DataFile() + L".new";
    const std::wstring m_unread = DataFile() + L".unread";
    const std::wstring m_torn = DataFile() + L".torn";
};

TEST_F(DataFileRecoveryTest, AFileHeldByAnotherProgramIsNeverReplacedButMovedAsideAtTheNextSave)
{
    Write(L"old.txt", 1000);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string good = Bytes(DataFile());
    // An earlier file of the name it is to get keeps that name.
    ASSERT_TRUE(WriteWholeFile(m_unread, "earlier"));

    Restart();
    // Held for longer than the start waits for it.
    HANDLE holder = Hold(DataFile());
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_EQ(1u, LinesContaining(L"Saved data '" + DataFile() + L"' could not be read ("));
    EXPECT_TRUE(Told(DataFile())) << "the window tells the user";
    EXPECT_EQ(0u, Written()) << "nothing was read";

    // Still held at the save: the new data is complete beside it, the file itself untouched.
    Write(L"new.txt", 7);
    EXPECT_EQ(0, m_monitor->SaveData());
    ASSERT_TRUE(Exists(m_new));
    CloseHandle(holder);
    EXPECT_EQ(good, Bytes(DataFile()));

    // Let go: the next save moves it aside whole and writes the new data in its place.
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(good, Bytes(m_unread + L".1"));
    EXPECT_EQ("earlier", Bytes(m_unread));
    EXPECT_FALSE(Exists(m_new));
    EXPECT_EQ(1u, LinesContaining(L"is kept as '" + m_unread + L".1'"));
    Restart();
    ASSERT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(7u, Written());
    EXPECT_TRUE(m_monitor->m_savedData.notices.empty());
}

// A backup tool, an indexer or a virus scan that holds the file for a moment as the program starts.
TEST_F(DataFileRecoveryTest, AFileHeldForAMomentAtTheStartIsWaitedFor)
{
    Write(L"a.txt", 1234);
    ASSERT_EQ(1, m_monitor->SaveData());
    Restart();
    HANDLE holder = Hold(DataFile());
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    WorkerThread release(
        [holder]
        {
            Sleep(1500);
            CloseHandle(holder);
        });
    EXPECT_EQ(1, m_monitor->LoadData());
    EXPECT_TRUE(release.Join());
    EXPECT_EQ(1234u, Written());
    EXPECT_EQ(0u, LinesContaining(L"could not be read"));
    EXPECT_TRUE(m_monitor->m_savedData.kept.empty());
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_FALSE(Exists(m_unread));
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

TEST_F(DataFileRecoveryTest, AfterAFailedReplaceTheCompleteCopyTakesThePlaceOfTheFileAtTheStart)
{
    Write(L"a.txt", 100);
    ASSERT_EQ(1, m_monitor->SaveData());
    Write(L"b.txt", 20);
    // A reader that does not allow the file to be renamed makes the replace fail.
    HANDLE holder = Hold(DataFile(), FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, m_monitor->SaveData());
    CloseHandle(holder);
    const std::string newer = Bytes(m_new);
    EXPECT_EQ(2u, Sequence(newer));

    Restart();
    EXPECT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(120u, Written());
    EXPECT_NE(nullptr, ChildNamed(ChildNamed(&m_monitor->m_root, L"C:"), L"b.txt"));
    EXPECT_EQ(1u, LinesContaining(L"Saved data loaded from '" + m_new + L"'"));
    EXPECT_EQ(0u, LinesContaining(L"could not be read"));
    // In place before any save: a save cut short now cannot cost the newest copy.
    EXPECT_EQ(newer, Bytes(DataFile()));
    EXPECT_FALSE(Exists(m_new));
    EXPECT_TRUE(m_monitor->m_savedData.notices.empty());
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(3u, Sequence(Bytes(DataFile())));
}

// Every save writes its temporary first, so a temporary that verifies holds the newest data whatever
// the clock says; one that does not verify is never loaded over a data file that loads, and is kept.
TEST_F(DataFileRecoveryTest, TheNewestCompleteCopyWinsWhateverTheClockSays)
{
    Write(L"a.txt", 100);
    m_monitor->m_savedData.sequence = 4;
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string older = Bytes(DataFile()); // sequence 5
    Write(L"b.txt", 20);
    Write(L"c.txt", 3);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string newer = Bytes(DataFile()); // sequence 6
    ASSERT_EQ(5u, Sequence(older));
    ASSERT_EQ(6u, Sequence(newer));
    // What a power loss leaves of a save: the full length, with its last 40% never written.
    std::string torn = newer;
    std::fill(torn.begin() + static_cast<ptrdiff_t>(torn.size() * 6 / 10), torn.end(), '\0');
    // A middle part lost while the end arrived.
    std::string lostMiddle = newer;
    std::fill(lostMiddle.begin() + 70, lostMiddle.begin() + 90, '\0');

    const uint64_t earlier = 130000000000000000ULL;
    const uint64_t later = earlier + 600000000ULL;
    struct Case
    {
        const char* what;
        std::string dataFile;
        uint64_t dataFileTime;
        std::string newFile;
        uint64_t newFileTime;
        BOOL complete;
        uint64_t written; // of the copy that must load
        int files;        // on C:
        std::string dataFileAfter;
        bool tornKept;
    };
    const Case cases[] = {
        {"the new file verifies but its time is older", older, later, newer, earlier, 1, 123, 3, newer,
         false},
        {"the new file verifies and is newer", older, earlier, newer, later, 1, 123, 3, newer, false},
        {"an older new file that verifies goes", newer, earlier, older, later, 1, 123, 3, newer, false},
        {"the new file lost its end", older, earlier, torn, later, 1, 100, 1, older, true},
        {"the new file lost a part of its middle", older, earlier, lostMiddle, later, 1, 100, 1, older, true},
        {"the new file has no trailer", older, earlier, Contents(newer), later, 1, 100, 1, older, true},
        {"the new file is cut short", older, earlier, newer.substr(0, newer.size() / 2), later, 1, 100, 1,
         older, true},
        {"the data file has no trailer (an older build's)", Contents(older), earlier, "", 0, 1, 100, 1,
         Contents(older), false},
    };
    for (const Case& c : cases)
    {
        DeletePathTree(m_folder.Path());
        CreateDirectoryW(m_folder.Path().c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(DataFile(), c.dataFile));
        SetWriteTime(DataFile(), c.dataFileTime);
        if (!c.newFile.empty())
        {
            ASSERT_TRUE(WriteWholeFile(m_new, c.newFile));
            SetWriteTime(m_new, c.newFileTime);
        }
        Restart();
        EXPECT_EQ(c.complete, m_monitor->LoadData()) << c.what;
        EXPECT_EQ(c.written, Written()) << c.what;
        // Nothing of a copy that lost is mixed in.
        EXPECT_EQ(c.files, FilesOnC()) << c.what;
        EXPECT_EQ(c.dataFileAfter, Bytes(DataFile())) << c.what;
        EXPECT_FALSE(Exists(m_new)) << c.what;
        EXPECT_EQ(c.tornKept, Bytes(m_torn) == c.newFile) << c.what;
        EXPECT_EQ(c.tornKept, Told(L"kept as '" + m_torn + L"'")) << c.what;
    }
}

// Without a data file that loads, what can be read of a temporary that does not verify is better than
// nothing; a data file whose trailer does not verify is not loaded, and it is kept.
TEST_F(DataFileRecoveryTest, CopiesThatDoNotVerifyAreKeptAndOnlyUsedWhenNothingElseLoads)
{
    for (int i = 0; i < 40; ++i)
        Write((L"f" + std::to_wstring(i) + L".txt").c_str(), 10);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string saved = Bytes(DataFile());
    const std::string torn = saved.substr(0, saved.size() / 2);

    ASSERT_TRUE(DeleteFileW(DataFile().c_str()));
    ASSERT_TRUE(WriteWholeFile(m_new, torn));
    Restart();
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_EQ(400u, Written()) << "the totals were read";
    EXPECT_GT(FilesOnC(), 5);
    EXPECT_LT(FilesOnC(), 40);
    EXPECT_EQ(torn, Bytes(m_torn));
    EXPECT_TRUE(Told(L"What could be read of it was loaded"));
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(torn, Bytes(m_torn)) << "kept after the save too";

    // A data file with a trailer that does not verify: a bit flipped on the disk.
    std::string flipped = saved;
    flipped[100] ^= 0x10;
    ASSERT_TRUE(WriteWholeFile(DataFile(), flipped));
    Restart();
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_EQ(0u, Written());
    EXPECT_TRUE(Told(L"is damaged"));
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(flipped, Bytes(DataFile() + L".damaged"));
    Restart();
    EXPECT_EQ(1, m_monitor->LoadData());
}

// The temporary is made new after whatever sits at its name is removed; a file there that cannot be
// removed, or the newest complete copy waiting to take the data file's place, sends the save to another
// name instead of failing every save from then on.
TEST_F(DataFileRecoveryTest, ASaveNeverWritesOverTheNewestCopyOrAFileItCannotRemove)
{
    Write(L"a.txt", 1);
    ASSERT_TRUE(WriteWholeFile(m_new, "someone else's"));
    HANDLE stuck = Hold(m_new);
    ASSERT_NE(INVALID_HANDLE_VALUE, stuck);
    ASSERT_EQ(1, m_monitor->SaveData());
    CloseHandle(stuck);
    EXPECT_EQ("someone else's", Bytes(m_new));
    EXPECT_FALSE(Exists(m_new + L"2"));
    ASSERT_TRUE(DeleteFileW(m_new.c_str()));

    // The data file is held: each save's complete copy waits beside it, the older one goes.
    HANDLE reader = Hold(DataFile(), FILE_SHARE_READ);
    Write(L"b.txt", 2);
    EXPECT_EQ(0, m_monitor->SaveData());
    EXPECT_EQ(2u, Sequence(Bytes(m_new)));
    Write(L"c.txt", 3);
    EXPECT_EQ(0, m_monitor->SaveData());
    EXPECT_EQ(3u, Sequence(Bytes(m_new + L"2"))) << "not written over the copy that waited";
    EXPECT_FALSE(Exists(m_new)) << "the copy it supersedes goes";
    CloseHandle(reader);
    Write(L"d.txt", 4);
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(4u, Sequence(Bytes(DataFile())));
    EXPECT_FALSE(Exists(m_new));
    EXPECT_FALSE(Exists(m_new + L"2"));
    Restart();
    ASSERT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(10u, Written());
}

TEST_F(DataFileRecoveryTest, AFaultInASaveKeepsTheLastGoodFileAndTheNextSaveGoesThrough)
{
    Write(L"a.txt", 10);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string good = Bytes(DataFile());
    struct Case
    {
        const char* what;
        CQReplaceStep step;
        DWORD error;
    };
    const Case cases[] = {
        {"a flush the disk refuses", CQReplaceStep::flush, ERROR_IO_DEVICE},
        {"no temporary can be created", CQReplaceStep::create, ERROR_DISK_FULL},
        {"no memory", CQReplaceStep::allocate, ERROR_NOT_ENOUGH_MEMORY},
    };
    Write(L"b.txt", 20);
    // As the processing thread marks what it counted.
    CounterAdd(m_monitor->m_qwordDataChanges, uint64_t(1));
    for (const Case& c : cases)
    {
        g_faultStep = c.step;
        g_faultError = c.error;
        SetReplaceFaultHook(InjectFault);
        EXPECT_EQ(0, m_monitor->SaveData()) << c.what;
        SetReplaceFaultHook(nullptr);
        EXPECT_EQ(good, Bytes(DataFile())) << c.what;
        EXPECT_FALSE(Exists(m_new)) << c.what;
        EXPECT_TRUE(m_monitor->HasUnsavedChanges()) << c.what;
    }
    EXPECT_EQ(1u, LinesContaining(L"could not be flushed to the disk"));
    EXPECT_EQ(1u, LinesContaining(L"Not enough memory to write '" + DataFile() + L"'"));
    ASSERT_EQ(1, m_monitor->SaveData());
    Restart();
    ASSERT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(30u, Written());
}

// The data folder is the user's: a link planted there by an unelevated program never leads the
// program's writes elsewhere, at the data file, at its temporary, or as the folder itself.
TEST_F(DataFileRecoveryTest, LinksPlantedInTheDataFolderAreNeverWrittenThrough)
{
    TempFolder elsewhere;
    const std::wstring victim = elsewhere.File(L"victim.dat");
    ASSERT_TRUE(WriteWholeFile(victim, "precious"));
    const std::string why = PlantSymbolicLink(DataFile(), victim);
    if (!why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(WriteWholeFile(elsewhere.File(L"other.dat"), "also precious"));
    ASSERT_EQ("", PlantSymbolicLink(m_new, elsewhere.File(L"other.dat")));
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_GE(LinesContaining(L"through a link or junction"), 2u);
    Write(L"a.txt", 5);
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ("precious", Bytes(victim));
    EXPECT_EQ("also precious", Bytes(elsewhere.File(L"other.dat")));
    Restart();
    ASSERT_EQ(1, m_monitor->LoadData());
    EXPECT_EQ(5u, Written());

    // The data folder itself leads elsewhere.
    const std::wstring linked = m_folder.File(L"linked");
    ASSERT_EQ("", PlantSymbolicLink(linked, elsewhere.Path()));
    m_runTime.m_csDataFolder = linked;
    Restart();
    m_monitor->LoadData();
    EXPECT_TRUE(Told(L"leads to")) << "told at the start, before a save fails";
    EXPECT_EQ(0, m_monitor->SaveData());
    EXPECT_FALSE(Exists(elsewhere.File(L"Monitored.Files")));
    EXPECT_FALSE(Exists(elsewhere.File(L"Monitored.Files.new")));
}

TEST_F(DataFileRecoveryTest, AnythingCountedClearedReadOrMonitoredLeavesTheDataUnsaved)
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

    // The read total and the monitoring time are data too.
    CounterAdd(m_monitor->m_stats.m_qwordRead, uint64_t(4096));
    EXPECT_TRUE(m_monitor->HasUnsavedChanges());
    ASSERT_EQ(1, m_monitor->SaveData());
    CounterAdd(m_monitor->m_stats.m_qwordMonitoringSeconds, uint64_t(1));
    EXPECT_TRUE(m_monitor->HasUnsavedChanges());
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_FALSE(m_monitor->HasUnsavedChanges());
    CounterStore(m_monitor->m_stats.m_int64LastTimeStamp, int64_t(12345));
    EXPECT_FALSE(m_monitor->HasUnsavedChanges()) << "the time stamp alone is no reason to save";

    Restart();
    m_monitor->LoadData();
    EXPECT_FALSE(m_monitor->HasUnsavedChanges()) << "what was loaded is what the file holds";
}

TEST_F(DataFileRecoveryTest, ABackgroundSaveWritesTheSameBytesAndOtherSavesWaitForIt)
{
    for (int i = 0; i < 3000; ++i)
        Write((L"dir" + std::to_wstring(i % 7) + L"\\f" + std::to_wstring(i) + L".txt").c_str(), 10 + i);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string direct = Contents(Bytes(DataFile()));
    ASSERT_TRUE(DeleteFileW(DataFile().c_str()));

    // Each save writes its temporary without sharing: two at once would fail one of them.
    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    EXPECT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(direct, Contents(Bytes(DataFile())));
    EXPECT_EQ(3u, Sequence(Bytes(DataFile())));
    ASSERT_TRUE(DeleteFileW(DataFile().c_str()));
    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    m_monitor->m_backgroundSave.Wait();
    EXPECT_EQ(direct, Contents(Bytes(DataFile())));
    EXPECT_EQ(0u, LinesContaining(L"has failed"));
}

// The observer of saves (the write history) hears of a save when it begins, on the thread that asks for
// it, with the figures it writes; and once its data is on the disk, on the thread that wrote it.
TEST_F(DataFileRecoveryTest, TheSaveObserverHearsTheFiguresAtTheStartAndTheEndOnTheDisk)
{
    struct Observer : ISaveDataObserver
    {
        std::wstring path;
        std::vector<DWORD> beginThreads;
        std::vector<uint64_t> beginWritten;
        std::vector<DWORD> savedThreads;
        std::vector<bool> fileThere;
        void OnSaveBegins(const CQStatisticsBlock& saved, const CQPtrArray<CQProcess>& processes) override
        {
            beginThreads.push_back(GetCurrentThreadId());
            beginWritten.push_back(saved.m_qwordWritten + static_cast<uint64_t>(processes.GetSize()));
        }
        void OnDataSaved() override
        {
            savedThreads.push_back(GetCurrentThreadId());
            fileThere.push_back(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
        }
    } observer;
    observer.path = DataFile();
    m_monitor->m_pSaveObserver = &observer;
    Write(L"a.txt", 10); // one process, x.exe
    const DWORD self = GetCurrentThreadId();

    ASSERT_EQ(1, m_monitor->SaveDataInBackground());
    m_monitor->m_backgroundSave.Wait();
    ASSERT_EQ(1, m_monitor->SaveData());
    EXPECT_EQ(std::vector<DWORD>({self, self}), observer.beginThreads);
    EXPECT_EQ(std::vector<uint64_t>({11, 11}), observer.beginWritten);
    ASSERT_EQ(2u, observer.savedThreads.size());
    EXPECT_NE(self, observer.savedThreads[0]) << "told on the autosave's own thread";
    EXPECT_EQ(self, observer.savedThreads[1]);
    EXPECT_EQ(std::vector<bool>({true, true}), observer.fileThere);
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
