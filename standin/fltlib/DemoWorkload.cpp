#include "DemoWorkload.h"

#include "engine/WrimonProtocol.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace standin
{
namespace
{

// A folder without its drive ("C:\users\x" -> "\users\x"), or the fallback.
std::wstring FolderOnDrive(const wchar_t* path, const wchar_t* fallback)
{
    std::wstring text(path);
    while (!text.empty() && text.back() == L'\\')
        text.pop_back();
    if (text.size() > 2 && text[1] == L':')
        return text.substr(2);
    return fallback;
}

std::wstring EnvironmentFolder(const wchar_t* name, const wchar_t* fallback)
{
    wchar_t value[MAX_PATH] = L"";
    const DWORD cch = GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
    return cch != 0 && cch < ARRAYSIZE(value) ? FolderOnDrive(value, fallback) : std::wstring(fallback);
}

constexpr uint32_t KB = 1024;
constexpr uint32_t MB = 1024 * 1024;

} // namespace

DemoWorkload::DemoWorkload() : m_random(static_cast<unsigned>(GetTickCount64() ^ GetCurrentProcessId()))
{
    wchar_t windows[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, ARRAYSIZE(windows));
    if (windows[0] != L'\0' && windows[1] == L':')
        m_systemLetter = static_cast<wchar_t>(towupper(windows[0]));
    m_windowsFolder = FolderOnDrive(windows, L"\\Windows");
    m_userFolder = EnvironmentFolder(L"USERPROFILE", L"\\Users\\Public");
    m_programData = EnvironmentFolder(L"ProgramData", L"\\ProgramData");
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(ARRAYSIZE(temp), temp);
    m_tempFolder = FolderOnDrive(temp, L"\\Windows\\Temp");
}

int DemoWorkload::Uniform(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

uint32_t DemoWorkload::LogUniform(uint32_t low, uint32_t high)
{
    std::uniform_real_distribution<double> exponent(std::log(static_cast<double>(low)),
                                                    std::log(static_cast<double>(high)));
    return static_cast<uint32_t>(std::exp(exponent(m_random)));
}

std::wstring DemoWorkload::Hex(unsigned value, int digits, bool upper)
{
    wchar_t text[16];
    swprintf(text, ARRAYSIZE(text), upper ? L"%0*X" : L"%0*x", digits, value);
    return text;
}

void DemoWorkload::UpdateRate(ULONGLONG nowMs)
{
    // The steady background drifts between about 200 KB/s and 600 KB/s.
    if (nowMs >= m_nextRateChangeMs)
    {
        m_baseRate = LogUniform(200 * KB, 600 * KB);
        m_nextRateChangeMs = nowMs + Uniform(3000, 10000);
    }
    // Now and then a burst: an update, a download, a build.
    if (nowMs >= m_nextBurstMs)
    {
        m_burstRate = LogUniform(1500 * KB, 5 * MB);
        m_burstEndMs = nowMs + Uniform(2000, 8000);
        m_nextBurstMs = m_burstEndMs + Uniform(15000, 60000);
    }
}

DemoWorkload::Kind DemoWorkload::PickKind(bool systemDrive)
{
    if (!systemDrive)
        return Kind::DataDrive;
    const bool burst = m_lastMs < m_burstEndMs;
    struct Weight
    {
        Kind kind;
        int normal;
        int burst;
    };
    static const Weight weights[] = {
        {Kind::BrowserCache, 30, 25}, {Kind::LogAppend, 20, 5}, {Kind::TempFile, 12, 30},
        {Kind::Pagefile, 3, 15},      {Kind::Metadata, 20, 15}, {Kind::RegistryHive, 5, 2},
        {Kind::ShellCache, 10, 8},
    };
    int total = 0;
    for (const Weight& weight : weights)
        total += burst ? weight.burst : weight.normal;
    int pick = Uniform(0, total - 1);
    for (const Weight& weight : weights)
    {
        pick -= burst ? weight.burst : weight.normal;
        if (pick < 0)
            return weight.kind;
    }
    return Kind::BrowserCache;
}

WriteEvent DemoWorkload::MakeEvent(Kind kind, ULONGLONG nowMs)
{
    const bool burst = m_lastMs < m_burstEndMs;
    WriteEvent event;
    event.OperationCode = WrimonOperationWrite;
    std::wstring path;
    int readPercent = 0;
    switch (kind)
    {
    case Kind::BrowserCache:
    {
        const std::wstring cache = m_userFolder + L"\\AppData\\Local\\Microsoft\\Edge\\User Data\\Default";
        const int pick = Uniform(0, 9);
        if (pick < 7)
            path = cache + L"\\Cache\\Cache_Data\\f_" + Hex(Uniform(0, 0x5ff), 6);
        else if (pick < 9)
            path = cache + L"\\Cache\\Cache_Data\\data_" + std::to_wstring(Uniform(0, 3));
        else
            path = cache + (Uniform(0, 1) ? L"\\History" : L"\\Network\\Cookies");
        event.WriteLength = LogUniform(4 * KB, burst ? 1 * MB : 128 * KB);
        event.ProcessId = m_processes.Pick({L"msedge.exe", L"iexplore.exe", L"explorer.exe"}, nowMs);
        readPercent = 40;
        break;
    }
    case Kind::LogAppend:
    {
        static const wchar_t* const logs[] = {L"\\Logs\\CBS\\CBS.log", L"\\Logs\\DISM\\dism.log",
                                              L"\\System32\\LogFiles\\WMI\\RtBackup\\EtwRTDiagLog.etl"};
        path = Uniform(0, 3) == 0
                   ? m_programData + L"\\Microsoft\\Search\\Data\\Applications\\Windows\\MSS.log"
                   : m_windowsFolder + logs[Uniform(0, 2)];
        event.WriteLength = LogUniform(80, 4 * KB);
        event.ProcessId = m_processes.Pick({L"svchost.exe", L"services.exe"}, nowMs);
        break;
    }
    case Kind::TempFile:
        path = Uniform(0, 2) == 0
                   ? m_windowsFolder + L"\\Temp\\wct" + Hex(Uniform(0, 0xffff), 4, true) + L".tmp"
                   : m_tempFolder + L"\\~DF" + Hex(Uniform(0, 0xffff), 4, true) + L".tmp";
        event.WriteLength = LogUniform(4 * KB, burst ? 4 * MB : 256 * KB);
        event.ProcessId = Uniform(0, 1) ? GetCurrentProcessId() : m_processes.Pick({L"explorer.exe"}, nowMs);
        readPercent = 20;
        break;
    case Kind::Pagefile:
        path = L"\\pagefile.sys";
        event.RequestFlags = WrimonRequestFlagSyncPagingIo;
        event.WriteLength = LogUniform(64 * KB, 1 * MB);
        event.ProcessId = m_processes.Pick({L"winedevice.exe", L"services.exe"}, nowMs);
        break;
    case Kind::Metadata:
    {
        static const wchar_t* const files[] = {L"\\$LogFile", L"\\$LogFile", L"\\$LogFile",
                                               L"\\$Mft",     L"\\$Bitmap",  L"\\$Extend\\$UsnJrnl:$J"};
        path = files[Uniform(0, 5)];
        event.RequestFlags = WrimonRequestFlagSyncPagingIo;
        event.WriteLength = 4 * KB * Uniform(1, 16);
        event.ProcessId = m_processes.Pick({L"winedevice.exe", L"services.exe"}, nowMs);
        break;
    }
    case Kind::RegistryHive:
        path = Uniform(0, 1) ? m_userFolder + L"\\NTUSER.DAT"
                             : m_windowsFolder + (Uniform(0, 1) ? L"\\System32\\config\\SOFTWARE"
                                                                : L"\\System32\\config\\SYSTEM");
        event.WriteLength = 4 * KB * Uniform(1, 32);
        event.ProcessId = m_processes.Pick({L"services.exe"}, nowMs);
        break;
    case Kind::ShellCache:
        path = m_userFolder + L"\\AppData\\Local\\Microsoft\\Windows\\Explorer\\" +
               (Uniform(0, 1) ? L"thumbcache_256.db" : L"iconcache_32.db");
        event.WriteLength = LogUniform(4 * KB, 128 * KB);
        event.ProcessId = m_processes.Pick({L"explorer.exe"}, nowMs);
        readPercent = 50;
        break;
    case Kind::DataDrive:
    {
        const int pick = Uniform(0, 2);
        if (pick == 0)
            path = L"\\Projects\\app\\build\\obj\\module" + std::to_wstring(Uniform(0, 60)) + L".o";
        else if (pick == 1)
            path = L"\\Downloads\\installer_" + Hex(Uniform(0, 0xff), 2) + L".partial";
        else
            path = L"\\Backup\\Documents\\archive_" + std::to_wstring(Uniform(1, 12)) + L".zip";
        event.WriteLength = LogUniform(4 * KB, burst ? 4 * MB : 256 * KB);
        event.ProcessId = Uniform(0, 1) ? GetCurrentProcessId() : m_processes.Pick({L"explorer.exe"}, nowMs);
        readPercent = 30;
        break;
    }
    }
    if (readPercent != 0 && Uniform(1, 100) <= readPercent)
        event.ReadLength = LogUniform(512, std::max<uint32_t>(1024, event.WriteLength * 2));
    event.Path = path;
    return event;
}

void DemoWorkload::Generate(ULONGLONG nowMs, const std::vector<FixedVolume>& volumes,
                            std::vector<WriteEvent>& out)
{
    if (!m_started)
    {
        m_started = true;
        m_lastMs = nowMs;
        m_nextBurstMs = nowMs + Uniform(5000, 20000);
        return;
    }
    if (volumes.empty())
    {
        m_lastMs = nowMs;
        return;
    }
    const ULONGLONG elapsedMs = std::min<ULONGLONG>(nowMs - m_lastMs, 2000);
    UpdateRate(nowMs);
    const double rate = nowMs < m_burstEndMs ? m_burstRate : m_baseRate;
    m_owedBytes += rate * static_cast<double>(elapsedMs) / 1000.0;
    m_lastMs = nowMs;

    auto system = std::find_if(volumes.begin(), volumes.end(),
                               [this](const FixedVolume& volume) { return volume.Letter == m_systemLetter; });
    while (m_owedBytes > 0)
    {
        // Most of the traffic goes to the system drive; the other drives get a share of their own.
        const bool onSystem = system != volumes.end() && (volumes.size() == 1 || Uniform(0, 99) < 85);
        const FixedVolume* volume =
            onSystem ? &*system : &volumes[Uniform(0, static_cast<int>(volumes.size()) - 1)];
        if (!onSystem && volume->Letter == m_systemLetter)
            continue;
        WriteEvent event = MakeEvent(PickKind(onSystem), nowMs);
        event.Path = std::wstring(1, volume->Letter) + L":" + event.Path;
        m_owedBytes -= event.WriteLength;
        out.push_back(std::move(event));
    }
}

} // namespace standin
