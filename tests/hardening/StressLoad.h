// The load of the stress run: the feed of the stand-in driver, the watcher that asks the windows for an
// answer, and the check of the collected tree's sums.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CQMonitor;
class CQTreeItem;
class TempFolder;

constexpr UINT kAnswerLimitMs = 5000;

// Device path on the volume of C: (\Device\HarddiskVolume1\...).
std::wstring DevicePathOfC(const std::wstring& rest);

// The items below the root (the root's own figures are left as they are by a Clear), their own bytes,
// and the items whose bytes with subitems are not their own plus their children's.
struct TreeCheck
{
    uint64_t items = 0;
    uint64_t written = 0;
    uint64_t aligned = 0;
    uint64_t wrongSums = 0;
};
// Walks the whole tree without recursion; the caller holds the data lock.
TreeCheck CheckTree(const CQTreeItem& root);

// Writes the feed from its own thread: full replies of records, half on paths seen before, half on new
// ones, each reply repeated a few times; a record now and then carries the out-of-memory flag, so the log
// viewer gets live lines. It waits while the record queue is long, and starts a new feed file every few
// lines (the stand-in drops what it had not read of the old one), so the files stay small.
class Feeder
{
public:
    Feeder(CQMonitor& monitor, const TempFolder& folder);
    ~Feeder() { Stop(); }
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

    void Start();
    void Stop();
    // A fresh feed file, named in WRIMON_STANDIN_FEED.
    void NextFile();
    const std::wstring& Path() const { return m_path; }
    uint64_t RecordsFed() const { return m_recordsFed; }

private:
    void Run();
    std::vector<BYTE> MakeReply(int& records);

    CQMonitor& m_monitor;
    const TempFolder& m_folder;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::wstring m_path;
    int m_files = 0;
    uint64_t m_counter = 0;
    std::atomic<uint64_t> m_recordsFed{0};
    const DWORD m_otherProcess;
};

// Asks the main window, its tree and one more window for an answer twice a second from its own thread;
// a question not answered within kAnswerLimitMs counts.
class Watcher
{
public:
    Watcher() = default;
    ~Watcher() { Stop(); }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    void Start(HWND main);
    void Stop();
    // The one more window, such as the log viewer once it is open.
    void Watch(HWND hwnd) { m_extra = hwnd; }
    int Unanswered() const { return m_unanswered; }
    int Asked() const { return m_asked; }

private:
    void Ask(HWND hwnd);
    void Run();

    HWND m_main = nullptr;
    std::atomic<HWND> m_extra{nullptr};
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_unanswered{0};
    std::atomic<int> m_asked{0};
};
