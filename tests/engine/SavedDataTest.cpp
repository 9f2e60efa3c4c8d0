#include <algorithm>
#include <string>

#include "data/TreeItemFile.h"
#include "data/TreeItemFolder.h"
#include "engine/MonitorFixture.h"
#include "support/MemoryUse.h"
#include "support/TrailerBytes.h"

namespace
{
// Builds the bytes of a saved data file field by field.
class Bytes
{
public:
    Bytes& U32(uint32_t v) { return Raw(&v, 4); }
    Bytes& U64(uint64_t v) { return Raw(&v, 8); }
    Bytes& Text(const std::wstring& s)
    {
        U32(static_cast<uint32_t>(s.size() * 2));
        return Raw(s.data(), s.size() * 2);
    }
    Bytes& Raw(const void* p, size_t n)
    {
        m_data.append(static_cast<const char*>(p), n);
        return *this;
    }
    // An item record without children (the child count follows separately).
    Bytes& ItemHead(const std::wstring& name, uint64_t withSub, uint64_t written, uint64_t aligned)
    {
        return U32(0).Text(name).U64(withSub).U64(written).U64(aligned);
    }
    Bytes& Stats(uint64_t ops, uint64_t files, uint64_t read, uint64_t written, uint64_t aligned,
                 int64_t stamp, uint64_t seconds)
    {
        return U64(ops)
            .U64(files)
            .U64(read)
            .U64(written)
            .U64(aligned)
            .U64(static_cast<uint64_t>(stamp))
            .U64(seconds);
    }
    const std::string& Data() const { return m_data; }

private:
    std::string m_data;
};

class SavedDataTest : public MonitorTest
{
protected:
    std::string SavedBytes()
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(DataFile(), bytes));
        return bytes;
    }
    void WriteFile(const Bytes& b) { ASSERT_TRUE(WriteWholeFile(DataFile(), b.Data())); }
    bool Logged(const wchar_t* line)
    {
        const std::vector<std::wstring> lines = m_log.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// The format's 104 bytes, then the trailer that proves the save complete (the first save: sequence 1).
TEST_F(SavedDataTest, EmptyDataIs104BytesStartingWithVersionOneAndThenTheTrailer)
{
    m_monitor->m_stats.m_int64LastTimeStamp = 0x1122334455667788LL;
    ASSERT_EQ(1, m_monitor->SaveData());
    Bytes expected;
    expected.U32(1).Stats(0, 0, 0, 0, 0, 0x1122334455667788LL, 0).U32(0);
    expected.ItemHead(L"", 0, 0, 0).U32(0).U32(0);
    ASSERT_EQ(104u, expected.Data().size());
    const std::string bytes = SavedBytes();
    EXPECT_EQ(104u + 28u, bytes.size());
    EXPECT_EQ(expected.Data() + DocumentedTrailer(expected.Data(), 1), bytes);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((DataFile() + L".new").c_str()))
        << "no temporary left";
}

TEST_F(SavedDataTest, OneFileWrittenOnceHasTheDocumentedBytes)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    Account(L"\\Device\\HarddiskVolume2\\a.txt", 10, L"x.exe");
    m_monitor->m_stats.m_int64LastTimeStamp = 5;
    ASSERT_EQ(1, m_monitor->SaveData());

    Bytes expected;
    expected.U32(1).Stats(1, 2, 0, 10, 4096, 5, 0);
    expected.U32(1).U64(10).U32(0).Text(L"x.exe");  // 8 + 4 + 4 + 10 bytes
    expected.ItemHead(L"", 10, 0, 0).U32(0).U32(1); // the root: no links, one child
    expected.U32(1).ItemHead(L"C:", 10, 0, 0).U32(0).U32(1);
    expected.U32(0).ItemHead(L"a.txt", 10, 10, 4096).U32(1).U64(10).U32(0).U32(0);
    EXPECT_EQ(expected.Data() + DocumentedTrailer(expected.Data(), 1), SavedBytes());
}

TEST_F(SavedDataTest, RoundTripKeepsOrderSpellingCountersAndLinks)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    AddDrive(L"\\Device\\HarddiskVolume3", L"D:");
    Account(L"\\Device\\HarddiskVolume2\\Temp\\b.txt", 5000, L"One.exe");
    Account(L"\\Device\\HarddiskVolume2\\TEMP\\a.txt", 1, L"two.exe");
    Account(L"\\Device\\HarddiskVolume3\\x.log", 123456789012ULL, L"one.EXE");
    Account(L"\\Device\\HarddiskVolume2\\Temp\\b.txt", 7, L"two.exe");
    m_monitor->m_stats.m_qwordRead = 99;
    m_monitor->m_stats.m_qwordMonitoringSeconds = 3600;
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string first = SavedBytes();

    CQMonitor loaded;
    loaded.m_pSettingsRunTime = &m_runTime;
    ASSERT_EQ(1, loaded.LoadData());
    EXPECT_EQ(0, memcmp(&m_monitor->m_stats, &loaded.m_stats, sizeof(CQStatisticsBlock)));
    ASSERT_EQ(2, loaded.m_arrProcesses.GetSize());
    EXPECT_EQ(L"One.exe", loaded.m_arrProcesses[0]->m_csProcessName);
    EXPECT_EQ(123456794012ULL, loaded.m_arrProcesses[0]->m_qwordWritten);
    EXPECT_EQ(1u, loaded.m_arrProcesses[1]->m_dwordIndex);

    const CQTreeItem* temp = ChildNamed(ChildNamed(&loaded.m_root, L"C:"), L"Temp");
    ASSERT_NE(nullptr, temp);
    ASSERT_EQ(2, temp->m_arrChildren.GetSize());
    EXPECT_EQ(L"b.txt", temp->m_arrChildren[0]->m_csName.str());
    const CQTreeItem* b = temp->m_arrChildren[0];
    EXPECT_EQ(5007u, b->m_qwordWritten);
    EXPECT_EQ(8192u + 4096u, b->m_qwordWrittenAligned);
    ASSERT_EQ(2, b->m_arrProcessLinks.GetSize());
    EXPECT_EQ(7u, b->m_arrProcessLinks[1]->m_qwordWritten);
    EXPECT_EQ(1u, b->m_arrProcessLinks[1]->m_dwordProcessIndex);
    EXPECT_EQ(nullptr, b->m_row.GetHandle());
    EXPECT_EQ(temp, b->m_pParent);
    EXPECT_EQ(1u, temp->GetType());
    EXPECT_EQ(0u, b->GetType());
    {
        // Loaded items are found by any spelling of their names, as if they had been made here.
        CQLock lock(loaded.m_lockData);
        EXPECT_EQ(b, loaded.FindOrCreateItem(L"c:\\TEMP\\B.TXT"));
        EXPECT_EQ(ChildNamed(ChildNamed(&loaded.m_root, L"D:"), L"x.log"),
                  loaded.FindOrCreateItem(L"d:\\X.LOG"));
    }

    // Saving the loaded data again gives the same bytes, as the next save.
    TempFolder other;
    CQSettingsRunTime otherRunTime;
    otherRunTime.m_csDataFolder = other.Path();
    loaded.m_pSettingsRunTime = &otherRunTime;
    ASSERT_EQ(1, loaded.SaveData());
    std::string second;
    ASSERT_TRUE(ReadWholeFile(other.File(L"Monitored.Files"), second));
    const std::string contents = first.substr(0, first.size() - 28);
    EXPECT_EQ(contents + DocumentedTrailer(contents, 2), second);
}

TEST_F(SavedDataTest, MissingOrEmptyFileLoadsNothingAndLogsNothing)
{
    EXPECT_EQ(0, m_monitor->LoadData());
    ASSERT_TRUE(WriteWholeFile(DataFile(), ""));
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(SavedDataTest, AnotherVersionIsNotLoaded)
{
    Bytes b;
    b.U32(2).Stats(5, 5, 5, 5, 5, 5, 5).U32(0).ItemHead(L"", 0, 0, 0).U32(0).U32(0);
    WriteFile(b);
    EXPECT_EQ(0, m_monitor->LoadData());
    EXPECT_TRUE(Logged(L"Unsupported saved data format. New file started."));
    EXPECT_EQ(0u, m_monitor->m_stats.m_qwordOperations);
}

TEST_F(SavedDataTest, FileCutInTheTreeKeepsWhatWasReadAndTheNextSaveIsWhole)
{
    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    for (int i = 0; i < 20; ++i)
        Account(L"\\Device\\HarddiskVolume2\\dir\\f" + std::to_wstring(i) + L".txt", 100 + i, L"p.exe");
    ASSERT_EQ(1, m_monitor->SaveData());
    std::string whole = SavedBytes();
    ASSERT_TRUE(WriteWholeFile(DataFile(), whole.substr(0, whole.size() * 2 / 3)));

    CQMonitor loaded;
    loaded.m_pSettingsRunTime = &m_runTime;
    EXPECT_EQ(0, loaded.LoadData());
    EXPECT_EQ(m_monitor->m_stats.m_qwordWritten, loaded.m_stats.m_qwordWritten);
    EXPECT_EQ(1, loaded.m_arrProcesses.GetSize());
    const CQTreeItem* dir = ChildNamed(ChildNamed(&loaded.m_root, L"C:"), L"dir");
    ASSERT_NE(nullptr, dir) << "items whose records were read stay";
    EXPECT_GT(dir->m_arrChildren.GetSize(), 5);
    EXPECT_LT(dir->m_arrChildren.GetSize(), 20);
    EXPECT_EQ(L"f0.txt", dir->m_arrChildren[0]->m_csName.str());

    ASSERT_EQ(1, loaded.SaveData());
    CQMonitor again;
    again.m_pSettingsRunTime = &m_runTime;
    EXPECT_EQ(1, again.LoadData()) << "the next save writes a well-formed file";
}

TEST_F(SavedDataTest, ChildTypeTwoFailsKeepingEarlierChildren)
{
    Bytes b;
    b.U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(0);
    b.ItemHead(L"", 0, 0, 0).U32(0).U32(2);
    b.U32(0).ItemHead(L"good.txt", 1, 1, 4096).U32(0).U32(0);
    b.U32(2).ItemHead(L"bad", 1, 1, 4096).U32(0).U32(0);
    WriteFile(b);
    EXPECT_EQ(0, m_monitor->LoadData());
    ASSERT_EQ(1, m_monitor->m_root.m_arrChildren.GetSize());
    EXPECT_EQ(L"good.txt", m_monitor->m_root.m_arrChildren[0]->m_csName.str());
}

TEST_F(SavedDataTest, ProcessNamesUpTo260CharactersLoad)
{
    const std::wstring name260(260, L'n');
    Bytes ok;
    ok.U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(2);
    ok.U64(1).U32(0).Text(name260);
    ok.U64(2).U32(1).U32(521).Raw(std::wstring(261, L'm').data(), 521); // 521 bytes halve to 260
    ok.ItemHead(L"", 0, 0, 0).U32(0).U32(0);
    WriteFile(ok);
    EXPECT_EQ(1, m_monitor->LoadData());
    ASSERT_EQ(2, m_monitor->m_arrProcesses.GetSize());
    EXPECT_EQ(name260, m_monitor->m_arrProcesses[0]->m_csProcessName);
    EXPECT_EQ(260u, m_monitor->m_arrProcesses[1]->m_csProcessName.size());

    CQMonitor second;
    second.m_pSettingsRunTime = &m_runTime;
    Bytes bad;
    bad.U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(2).U64(1).U32(0).Text(L"fine.exe");
    bad.U64(2).U32(1).Text(std::wstring(261, L'x'));
    WriteFile(bad);
    EXPECT_EQ(0, second.LoadData());
    EXPECT_EQ(1, second.m_arrProcesses.GetSize()) << "the records before the bad one stay";
}

// Links name a process by its position, which is where the processes dialog looks it up.
TEST_F(SavedDataTest, ProcessIndexesAreTheirPositionsWhateverTheFileSays)
{
    Bytes b;
    b.U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(2);
    b.U64(10).U32(5).Text(L"five.exe");
    b.U64(20).U32(0).Text(L"zero.exe");
    b.ItemHead(L"", 0, 0, 0).U32(0).U32(0);
    WriteFile(b);
    ASSERT_EQ(1, m_monitor->LoadData());
    ASSERT_EQ(2, m_monitor->m_arrProcesses.GetSize());
    EXPECT_EQ(0u, m_monitor->m_arrProcesses[0]->m_dwordIndex);
    EXPECT_EQ(1u, m_monitor->m_arrProcesses[1]->m_dwordIndex);

    AddDrive(L"\\Device\\HarddiskVolume2", L"C:");
    const CQTreeItem* item = Account(L"\\Device\\HarddiskVolume2\\a.txt", 7, L"FIVE.exe");
    ASSERT_EQ(1, item->m_arrProcessLinks.GetSize());
    EXPECT_EQ(0u, item->m_arrProcessLinks[0]->m_dwordProcessIndex);
    EXPECT_EQ(17u, m_monitor->m_arrProcesses[0]->m_qwordWritten);
    EXPECT_EQ(2, m_monitor->m_arrProcesses.GetSize());
}

// A damaged file can claim a name of any length; reading it must not pin that much memory for the run.
TEST_F(SavedDataTest, AHugeNameInADamagedFileIsNotKeptInMemory)
{
    const size_t characters = size_t(16) << 20;
    {
        Bytes b;
        b.U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(0);
        b.ItemHead(L"", 0, 0, 0).U32(0).U32(1);
        b.U32(0).U32(0).Text(std::wstring(characters, L'h')); // the file ends after the name
        WriteFile(b);
    }
    const size_t before = CommittedPrivateBytes();
    {
        CQMonitor monitor;
        monitor.m_pSettingsRunTime = &m_runTime;
        EXPECT_EQ(0, monitor.LoadData());
        EXPECT_EQ(0, monitor.m_root.m_arrChildren.GetSize());
    }
    const size_t after = CommittedPrivateBytes();
    EXPECT_LT(after, before + characters / 4) << "before " << before << ", after " << after;
}

TEST_F(SavedDataTest, AbsurdCountsFailWithoutHugeAllocations)
{
    const uint32_t huge = 0xFFFFFFF0u;
    const Bytes cases[] = {
        Bytes().U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(huge),
        Bytes().U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(1).U64(1).U32(0).U32(huge),
        Bytes().U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(0).U32(0).U32(huge),
        Bytes().U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(0).ItemHead(L"", 0, 0, 0).U32(huge),
        Bytes().U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(0).ItemHead(L"", 0, 0, 0).U32(0).U32(huge),
    };
    for (const Bytes& b : cases)
    {
        CQMonitor monitor;
        monitor.m_pSettingsRunTime = &m_runTime;
        WriteFile(b);
        EXPECT_EQ(0, monitor.LoadData());
    }
}

TEST_F(SavedDataTest, VeryDeepNestingLoadsWithoutExhaustingTheStack)
{
    Bytes b;
    b.U32(1).Stats(0, 0, 0, 0, 0, 0, 0).U32(0);
    b.ItemHead(L"", 0, 0, 0).U32(0).U32(1);
    const int depth = 100000;
    for (int i = 0; i < depth; ++i)
        b.U32(1).ItemHead(L"d", 0, 0, 0).U32(0).U32(1);
    WriteFile(b);
    EXPECT_EQ(0, m_monitor->LoadData());
    int levels = 0;
    for (const CQTreeItem* item = &m_monitor->m_root; item->m_arrChildren.GetSize() > 0;
         item = item->m_arrChildren[0])
        ++levels;
    EXPECT_GT(levels, 1000);
    EXPECT_LT(levels, depth);
    m_monitor->Clear(0);
}

TEST_F(SavedDataTest, WithoutADataFolderTheFileLivesInTheCurrentFolder)
{
    m_runTime.m_csDataFolder.clear();
    EXPECT_EQ(L"Monitored.Files", m_monitor->GetDataFilePath());
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(m_folder.Path().c_str()));
    EXPECT_EQ(1, m_monitor->SaveData());
    SetCurrentDirectoryW(previous);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(DataFile().c_str()));
}
} // namespace
