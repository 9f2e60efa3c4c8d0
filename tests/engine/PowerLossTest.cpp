// A power loss in the middle of a save, simulated on real files under Wine: the newer save of a file of
// a few thousand items is cut at every record boundary and at a sample of other points, its rest zeroed
// (what NTFS typically leaves), filled with garbage or missing, or with one page in its middle lost, and
// put down as "Monitored.Files.new" beside the older good file, and alone. The load never takes a torn
// copy over a good one, never crashes, and never removes the torn copy.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/MonitorFixture.h"

namespace
{
// The offset of every record in a saved file, read from the format's documented layout: the header,
// each process record, and each item record (from its child type; the root from its own start).
class RecordBoundaries
{
public:
    explicit RecordBoundaries(const std::string& bytes) : m_bytes(bytes) {}

    std::vector<size_t> Read()
    {
        m_at = 4 + 56;
        const uint32_t processes = U32();
        for (uint32_t i = 0; i < processes && m_ok; ++i)
        {
            m_boundaries.push_back(m_at);
            m_at += 8 + 4;
            m_at += U32();
        }
        m_boundaries.push_back(m_at);
        Item();
        m_boundaries.push_back(m_at); // the end of the tree: where the trailer starts
        return m_ok ? m_boundaries : std::vector<size_t>();
    }

private:
    uint32_t U32()
    {
        if (m_at + 4 > m_bytes.size())
        {
            m_ok = false;
            return 0;
        }
        uint32_t value = 0;
        memcpy(&value, m_bytes.data() + m_at, 4);
        m_at += 4;
        return value;
    }
    // An item record; its children each begin with their type.
    void Item()
    {
        std::vector<uint32_t> remaining;
        ItemHeader(remaining);
        while (m_ok && !remaining.empty())
        {
            if (remaining.back() == 0)
            {
                remaining.pop_back();
                continue;
            }
            --remaining.back();
            m_boundaries.push_back(m_at);
            U32(); // type
            ItemHeader(remaining);
        }
    }
    void ItemHeader(std::vector<uint32_t>& remaining)
    {
        U32();              // version tag
        m_at += U32();      // name
        m_at += 24;         // counters
        m_at += 12 * U32(); // links
        remaining.push_back(U32());
    }

    const std::string& m_bytes;
    size_t m_at = 0;
    bool m_ok = true;
    std::vector<size_t> m_boundaries;
};

class PowerLossTest : public MonitorTest
{
protected:
    PowerLossTest() { AddDrive(L"\\Device\\HarddiskVolume2", L"C:"); }

    void Write(const std::wstring& name, uint64_t bytes, const wchar_t* process)
    {
        Account(L"\\Device\\HarddiskVolume2\\" + name, bytes, process);
    }
    std::string Bytes(const std::wstring& path) const
    {
        std::string bytes;
        return ReadWholeFile(path, bytes) ? bytes : std::string();
    }
    uint64_t Items(const CQTreeItem& item) const
    {
        uint64_t count = 0;
        for (int i = 0; i < item.m_arrChildren.GetSize(); ++i)
            count += 1 + Items(*item.m_arrChildren[i]);
        return count;
    }
    static uint64_t FileSize(const std::wstring& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            return UINT64_MAX;
        return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
};

TEST_F(PowerLossTest, ATornNewFileNeverWinsOverTheGoodOneAndIsAlwaysKept)
{
    // The good file is an earlier save of the same data, small so that loading it costs little.
    const wchar_t* processes[] = {L"svchost.exe", L"chrome.exe", L"MsMpEng.exe", L"explorer.exe"};
    for (int i = 0; i < 40; ++i)
        Write(L"Users\\me\\early" + std::to_wstring(i) + L".dat", 100 + i, processes[i % 4]);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string good = Bytes(DataFile());
    const uint64_t goodWritten = m_monitor->m_stats.m_qwordWritten;
    const uint64_t goodItems = Items(m_monitor->m_root);
    for (int i = 0; i < 2000; ++i)
        Write(L"Users\\me\\dir" + std::to_wstring(i % 40) + L"\\file" + std::to_wstring(i) + L".dat", 100 + i,
              processes[i % 4]);
    ASSERT_EQ(1, m_monitor->SaveData());
    const std::string newer = Bytes(DataFile());

    std::vector<size_t> cuts = RecordBoundaries(newer).Read();
    ASSERT_GT(cuts.size(), 2000u) << "the layout could not be read";
    std::mt19937 random(21);
    for (int i = 0; i < 150; ++i)
        cuts.push_back(random() % newer.size());
    for (size_t i = 1; i < 28; ++i)
        cuts.push_back(newer.size() - i); // inside the trailer
    cuts.push_back(0);

    ASSERT_TRUE(WriteWholeFile(DataFile(), good));
    enum Damage
    {
        zeros,
        garbage,
        truncated,
        lostPage,
    };
    struct Count
    {
        int beside = 0;
        int alone = 0;
    } counts;
    for (size_t n = 0; n < cuts.size(); ++n)
    {
        const size_t cut = cuts[n];
        // Every boundary with the zeros a power loss typically leaves; every tenth with the others.
        for (Damage damage : {zeros, garbage, truncated, lostPage})
        {
            if (damage != zeros && n % 10 != 0)
                continue;
            std::string torn = newer;
            if (damage == zeros)
                std::fill(torn.begin() + static_cast<ptrdiff_t>(cut), torn.end(), '\0');
            else if (damage == garbage)
                std::generate(torn.begin() + static_cast<ptrdiff_t>(cut), torn.end(),
                              [&random] { return static_cast<char>(random()); });
            else if (damage == truncated)
                torn.resize(cut);
            else
            {
                // A page that never arrived while the end, trailer and all, did.
                const size_t limit = newer.size() - 28;
                const size_t start = std::min(cut, limit - 1) / 4096 * 4096;
                std::fill(torn.begin() + static_cast<ptrdiff_t>(start),
                          torn.begin() + static_cast<ptrdiff_t>(std::min(start + 4096, limit)), '\0');
            }
            if (torn == newer)
                continue;
            const std::string where = "cut at " + std::to_string(cut) + " of " +
                                      std::to_string(newer.size()) + ", damage " + std::to_string(damage);
            // Beside the good older file: the good one loads and stays as it is, the torn one is kept aside
            // whole (its bytes compared in full now and then, its size always).
            ASSERT_TRUE(WriteWholeFile(DataFile() + L".new", torn));
            {
                CQMonitor monitor;
                monitor.m_pSettingsRunTime = &m_runTime;
                ASSERT_EQ(1, monitor.LoadData()) << where;
                ASSERT_EQ(goodWritten, monitor.m_stats.m_qwordWritten) << where;
                ASSERT_EQ(goodItems, Items(monitor.m_root)) << where;
            }
            ASSERT_EQ(good.size(), FileSize(DataFile())) << where;
            if (n % 10 == 0)
            {
                ASSERT_EQ(torn, Bytes(DataFile() + L".torn")) << where;
            }
            ASSERT_EQ(torn.size(), FileSize(DataFile() + L".torn")) << where;
            ASSERT_TRUE(DeleteFileW((DataFile() + L".torn").c_str())) << where;
            ++counts.beside;
            // Alone: read by the format's rules, never crashing, never more than it holds, and kept.
            if (n % 30 != 0)
                continue;
            ASSERT_TRUE(MoveFileExW(DataFile().c_str(), (DataFile() + L".aside").c_str(), 0));
            ASSERT_TRUE(WriteWholeFile(DataFile() + L".new", torn));
            {
                CQMonitor monitor;
                monitor.m_pSettingsRunTime = &m_runTime;
                monitor.LoadData();
                // Every item record takes at least 44 bytes of the file.
                ASSERT_LE(Items(monitor.m_root), torn.size() / 44) << where;
            }
            ASSERT_EQ(torn, Bytes(DataFile() + L".torn")) << where;
            ASSERT_TRUE(DeleteFileW((DataFile() + L".torn").c_str())) << where;
            ASSERT_TRUE(MoveFileExW((DataFile() + L".aside").c_str(), DataFile().c_str(), 0));
            ++counts.alone;
        }
    }
    EXPECT_GT(counts.beside, 2500);
    EXPECT_GT(counts.alone, 250);
    EXPECT_EQ(good, Bytes(DataFile()));
}
} // namespace
