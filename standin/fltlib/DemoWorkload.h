// The demo workload (WRIMON_STANDIN_DEMO=1): writes imitating a desktop over time, a few hundred KB/s
// with bursts of several MB/s, by real processes of the session, on the attached volumes.
#pragma once

#include "DemoProcesses.h"
#include "Records.h"
#include "Volumes.h"

#include <random>
#include <string>
#include <vector>

namespace standin
{

constexpr wchar_t DemoVariable[] = L"WRIMON_STANDIN_DEMO";

class DemoWorkload
{
public:
    DemoWorkload();

    // Appends the writes made since the previous call (at most two seconds' worth) to files on the given
    // volumes, with paths as DOS paths. The first call only starts the clock.
    void Generate(ULONGLONG nowMs, const std::vector<FixedVolume>& volumes, std::vector<WriteEvent>& out);

private:
    enum class Kind
    {
        BrowserCache,
        LogAppend,
        TempFile,
        Pagefile,
        Metadata,
        RegistryHive,
        ShellCache,
        DataDrive
    };

    void UpdateRate(ULONGLONG nowMs);
    Kind PickKind(bool systemDrive);
    WriteEvent MakeEvent(Kind kind, ULONGLONG nowMs);
    uint32_t LogUniform(uint32_t low, uint32_t high);
    int Uniform(int low, int high);
    std::wstring Hex(unsigned value, int digits, bool upper = false);

    std::mt19937 m_random;
    ProcessDirectory m_processes;
    std::wstring m_userFolder;    // user profile, without its drive: \users\name
    std::wstring m_windowsFolder; // \windows
    std::wstring m_programData;   // \ProgramData
    std::wstring m_tempFolder;    // \users\name\Temp
    wchar_t m_systemLetter = L'C';

    bool m_started = false;
    ULONGLONG m_lastMs = 0;
    double m_owedBytes = 0;
    double m_baseRate = 0;
    ULONGLONG m_nextRateChangeMs = 0;
    ULONGLONG m_burstEndMs = 0;
    ULONGLONG m_nextBurstMs = 0;
    double m_burstRate = 0;
};

} // namespace standin
