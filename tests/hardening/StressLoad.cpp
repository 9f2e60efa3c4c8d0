#include "hardening/StressLoad.h"

#include <cstring>

#include "data/TreeItem.h"
#include "engine/Monitor.h"
#include "resources/resource.h"
#include "support/OtherProcess.h"
#include "support/StandinFeed.h"
#include "support/TempFolder.h"
#include "support/WrimonRecords.h"

namespace
{
// Records queued beyond this make the feeder wait: the point is contention, not an endless queue.
constexpr int kQueueHigh = 20000;
constexpr size_t kReplyBytes = 0x40000;
constexpr int kFeedLinesPerFile = 16;

} // namespace

std::wstring DevicePathOfC(const std::wstring& rest)
{
    static const std::wstring device = []
    {
        wchar_t name[MAX_PATH] = L"";
        QueryDosDeviceW(L"C:", name, MAX_PATH);
        return std::wstring(name);
    }();
    return device + rest;
}

TreeCheck CheckTree(const CQTreeItem& root)
{
    TreeCheck check;
    std::vector<const CQTreeItem*> pending = {&root};
    while (!pending.empty())
    {
        const CQTreeItem* item = pending.back();
        pending.pop_back();
        uint64_t below = item->m_qwordWritten;
        for (int i = 0; i < item->m_arrChildren.GetSize(); ++i)
        {
            const CQTreeItem* child = item->m_arrChildren[i];
            below += child->m_qwordWrittenWithSubitems;
            pending.push_back(child);
        }
        if (item != &root)
        {
            ++check.items;
            check.written += item->m_qwordWritten;
            check.aligned += item->m_qwordWrittenAligned;
            // A Clear leaves the root's own figures as they are: only the items below it are checked.
            if (below != item->m_qwordWrittenWithSubitems)
                ++check.wrongSums;
        }
    }
    return check;
}

Feeder::Feeder(CQMonitor& monitor, const TempFolder& folder)
    : m_monitor(monitor), m_folder(folder), m_otherProcess(OtherProcessId())
{
}

void Feeder::Start()
{
    NextFile();
    m_thread = std::thread([this] { Run(); });
}

void Feeder::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Feeder::NextFile()
{
    m_path = m_folder.File(L"feed" + std::to_wstring(++m_files) + L".txt");
    AppendToFile(m_path, std::string());
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", m_path.c_str());
}

void Feeder::Run()
{
    int lines = 0;
    while (!m_stop)
    {
        if (m_monitor.GetPendingRecords() > kQueueHigh)
        {
            Sleep(20);
            continue;
        }
        int records = 0;
        const std::vector<BYTE> reply = MakeReply(records);
        const int repeat = 2 + static_cast<int>(m_counter % 4);
        if (!AppendToFile(m_path, RepeatFeedLine(repeat, reply)))
            break;
        m_recordsFed += static_cast<uint64_t>(records) * repeat;
        if (++lines % kFeedLinesPerFile == 0)
        {
            const std::wstring old = m_path;
            NextFile();
            DeleteFileW(old.c_str());
        }
        Sleep(200);
    }
}

std::vector<BYTE> Feeder::MakeReply(int& records)
{
    std::vector<BYTE> reply;
    const DWORD self = GetCurrentProcessId();
    for (;;)
    {
        ++m_counter;
        wrimon_test::RecordFields fields;
        const bool seen = m_counter % 2 == 0;
        fields.name = DevicePathOfC(seen ? L"\\stress\\seen\\dir" + std::to_wstring(m_counter % 37) +
                                               L"\\file" + std::to_wstring(m_counter % 1009) + L".dat"
                                         : L"\\stress\\new\\n" + std::to_wstring(m_counter / 500) + L"\\f" +
                                               std::to_wstring(m_counter) + L".tmp");
        fields.processId = m_counter % 3 == 0 ? m_otherProcess : self;
        fields.writeLength = static_cast<uint32_t>(1 + m_counter % 70000);
        fields.readLength = m_counter % 5;
        if (m_counter % 5000 == 0)
            fields.recordType = 0x10000000;
        std::vector<BYTE> record = wrimon_test::MakeRecord(fields);
        record.resize((record.size() + 7) & ~size_t(7));
        const uint32_t length = static_cast<uint32_t>(record.size());
        memcpy(record.data(), &length, 4);
        if (reply.size() + record.size() > kReplyBytes)
            return reply;
        wrimon_test::Append(reply, record);
        ++records;
    }
}

void Watcher::Start(HWND main)
{
    m_main = main;
    m_thread = std::thread([this] { Run(); });
}

void Watcher::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Watcher::Ask(HWND hwnd)
{
    if (hwnd == nullptr || !IsWindow(hwnd))
        return;
    DWORD_PTR result = 0;
    ++m_asked;
    if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerLimitMs, &result) && IsWindow(hwnd))
        ++m_unanswered;
}

void Watcher::Run()
{
    while (!m_stop)
    {
        Ask(m_main);
        Ask(GetDlgItem(m_main, IDC_FILES_TREE));
        Ask(m_extra);
        Sleep(500);
    }
}
