// The demo workload: records over time, on attached volumes only, by processes that exist.
#include "StandinFixture.h"

#include "engine/ReplyWalk.h"

#include <tlhelp32.h>

#include <set>

namespace
{

std::set<uint32_t> RunningProcessIds()
{
    std::set<uint32_t> ids;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(hSnapshot, &entry); ok; ok = Process32NextW(hSnapshot, &entry))
        ids.insert(entry.th32ProcessID);
    CloseHandle(hSnapshot);
    return ids;
}

} // namespace

TEST_F(StandinTest, DemoWritesOnAttachedVolumesByRunningProcesses)
{
    SetEnvironmentVariableW(L"WRIMON_STANDIN_DEMO", L"1");
    const std::wstring volume = DeviceName(L'C');
    ASSERT_EQ(S_OK, AttachDefault(L"C:"));

    std::vector<std::wstring> names;
    std::vector<uint32_t> processIds;
    uint64_t written = 0;
    size_t counted = 0;
    size_t withRead = 0;
    for (int i = 0; i < 300 && names.size() < 20; ++i)
    {
        const PortReply reply = Request();
        if (reply.Result == static_cast<HRESULT>(0x80070103UL))
        {
            Sleep(100);
            continue;
        }
        ASSERT_EQ(S_OK, reply.Result) << Hex(reply.Result);
        WalkReply(
            m_reply.data(), static_cast<uint32_t>(m_reply.size()),
            [&](const LogRecordView& record)
            {
                names.push_back(record.Name());
                processIds.push_back(record.ProcessId());
                written += record.WriteLength();
                counted += IsCountedRecord(record) ? 1 : 0;
                withRead += record.ReadLength() != 0 ? 1 : 0;
                EXPECT_EQ(4, record.OperationCode());
            },
            [](const wchar_t* line)
            {
                ADD_FAILURE() << "unexpected log line";
                (void)line;
            });
    }
    ASSERT_GE(names.size(), 20u) << "the demo keeps writing";
    const std::set<uint32_t> running = RunningProcessIds();
    for (size_t i = 0; i < names.size(); ++i)
    {
        EXPECT_EQ(0u, names[i].find(volume + L"\\")) << std::string(names[i].begin(), names[i].end());
        EXPECT_EQ(1u, running.count(processIds[i])) << "process " << processIds[i];
    }
    EXPECT_GT(written, 0u);
    EXPECT_GT(counted, 0u);

    // Nothing once the volume is detached (what was queued before may still come).
    ASSERT_EQ(S_OK, DetachDefault(L"C:"));
    Request();
    Sleep(300);
    Request();
    EXPECT_EQ(static_cast<HRESULT>(0x80070103UL), Request().Result);
}
