#include "engine/StandinMonitorFixture.h"

#include <algorithm>
#include <cstdio>

#include "engine/Counters.h"
#include "engine/PortRequest.h"

void StandinMonitorTest::SetUp()
{
    if (!standin_test::StandinsPresent())
        GTEST_SKIP() << "the Wine stand-ins of fltlib.dll and wrimon.sys are not built";
    SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", nullptr);
    ASSERT_TRUE(standin_test::DeleteWrimonService())
        << "a leftover Wrimon service stays, error " << GetLastError();
    m_feedPath = m_folder.File(L"feed.txt");
    ASSERT_TRUE(WriteWholeFile(m_feedPath, std::string()));
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", m_feedPath.c_str());
}

void StandinMonitorTest::TearDown()
{
    StopThreads();
    if (!IsSkipped())
    {
        EXPECT_TRUE(standin_test::DeleteWrimonService()) << "error " << GetLastError();
    }
    SetEnvironmentVariableW(L"WRIMON_STANDIN_FEED", nullptr);
}

void StandinMonitorTest::InstallAndConnect()
{
    ASSERT_TRUE(m_monitor->InstallDriverService()) << LogText();
    const HRESULT result = ConnectWrimonPort(&m_monitor->m_hPort);
    ASSERT_EQ(S_OK, result) << std::hex << result;
    m_monitor->m_boolThreadsStarted = 1;
}

void StandinMonitorTest::StartRetrieval()
{
    m_monitor->m_hRetrieveThread = CreateThread(nullptr, 0, RetrieveLogRecords, m_monitor.get(), 0, nullptr);
    ASSERT_NE(nullptr, m_monitor->m_hRetrieveThread) << "error " << GetLastError();
}

void StandinMonitorTest::StartProcessing()
{
    m_monitor->m_hProcessThread = CreateThread(nullptr, 0, ProcessLogRecords, m_monitor.get(), 0, nullptr);
    ASSERT_NE(nullptr, m_monitor->m_hProcessThread) << "error " << GetLastError();
}

void StandinMonitorTest::StopThreads()
{
    if (!m_monitor)
        return;
    CounterStore(m_monitor->m_boolStop, LONG(1));
    HANDLE* threads[] = {&m_monitor->m_hRetrieveThread, &m_monitor->m_hProcessThread};
    for (HANDLE* thread : threads)
    {
        if (*thread == nullptr)
            continue;
        // A thread that does not end would run on into a destroyed monitor: better to stop here.
        if (!Ended(*thread, 30000))
        {
            ADD_FAILURE() << "a worker thread did not end";
            TerminateThread(*thread, 1);
        }
        CloseHandle(*thread);
        *thread = nullptr;
    }
    if (m_monitor->m_hPort != nullptr && m_monitor->m_hPort != INVALID_HANDLE_VALUE)
        CloseHandle(m_monitor->m_hPort);
    m_monitor->m_hPort = INVALID_HANDLE_VALUE;
}

void StandinMonitorTest::Feed(const std::string& text)
{
    ASSERT_TRUE(AppendToFile(m_feedPath, text)) << "error " << GetLastError();
}

bool StandinMonitorTest::WaitFor(const std::function<bool()>& done, DWORD timeoutMilliseconds)
{
    const ULONGLONG start = GetTickCount64();
    for (;;)
    {
        if (done())
            return true;
        if (GetTickCount64() - start > timeoutMilliseconds)
            return done();
        Sleep(10);
    }
}

bool StandinMonitorTest::Ended(HANDLE thread, DWORD timeoutMilliseconds)
{
    return thread != nullptr && WaitForSingleObject(thread, timeoutMilliseconds) == WAIT_OBJECT_0;
}

size_t StandinMonitorTest::CountLines(const std::wstring& text, size_t from) const
{
    const std::vector<std::wstring> lines = m_log.Lines();
    size_t count = 0;
    for (size_t i = from; i < lines.size(); ++i)
        count += lines[i] == text ? 1 : 0;
    return count;
}

std::vector<std::wstring> StandinMonitorTest::LinesStartingWith(const std::wstring& prefix) const
{
    std::vector<std::wstring> found;
    for (const std::wstring& line : m_log.Lines())
    {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    }
    return found;
}

std::string StandinMonitorTest::LogText() const
{
    std::string text = "log:\n";
    for (const std::wstring& line : m_log.Lines())
        text += "  " + Narrow(line) + "\n";
    return text;
}

std::wstring StandinMonitorTest::OnC(const std::wstring& rest)
{
    wchar_t device[MAX_PATH] = L"";
    QueryDosDeviceW(L"C:", device, ARRAYSIZE(device));
    return std::wstring(device) + rest;
}

std::wstring StandinMonitorTest::SelfName()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = wcsrchr(path, L'\\');
    return name != nullptr ? name + 1 : path;
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

namespace
{
void DumpItems(const CQTreeItem* item, const CQPtrAutoArray<CQProcess>& processes,
               std::vector<std::string>& lines)
{
    for (int i = 0; i < item->m_arrChildren.GetSize(); ++i)
    {
        const CQTreeItem* child = item->m_arrChildren[i];
        std::wstring path;
        child->AppendFullPath(path);
        std::string line = Narrow(path) + " written " + std::to_string(child->m_qwordWritten) + " aligned " +
                           std::to_string(child->m_qwordWrittenAligned) + " below " +
                           std::to_string(child->m_qwordWrittenWithSubitems);
        for (int l = 0; l < child->m_arrProcessLinks.GetSize(); ++l)
        {
            const CQProcessLink* link = child->m_arrProcessLinks[l];
            const int index = static_cast<int>(link->m_dwordProcessIndex);
            line += " [" + (index < processes.GetSize() ? Narrow(processes[index]->m_csProcessName) : "?") +
                    " " + std::to_string(link->m_qwordWritten) + "]";
        }
        lines.push_back(line);
        DumpItems(child, processes, lines);
    }
}
} // namespace

std::vector<std::string> DumpTree(const CQMonitor& monitor)
{
    std::vector<std::string> lines;
    DumpItems(&monitor.m_root, monitor.m_arrProcesses, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}
