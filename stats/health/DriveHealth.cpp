#include "stats/health/DriveHealth.h"

#include <algorithm>

#include "app/Log.h"
#include "engine/Counters.h"
#include "engine/Monitor.h"
#include "stats/DataFolderFile.h"
#include "stats/Format.h"
#include "stats/health/DriveBaselines.h"
#include "stats/health/DriveHistoryCsv.h"
#include "stats/health/DriveRatings.h"
#include "stats/history/HistoryClock.h"

namespace
{
const std::wstring kLogPrefix = L"Drive health: ";

std::vector<std::wstring> SplitLetters(const std::wstring& letters)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < letters.size())
    {
        const size_t blank = letters.find(L' ', start);
        const size_t end = blank == std::wstring::npos ? letters.size() : blank;
        if (end > start)
            parts.push_back(letters.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The line the start writes for each disk: what it is, where the bytes come from and what they say.
std::wstring StartLine(const CQDiskReading& reading)
{
    std::wstring line = kLogPrefix + DriveTitle(reading);
    if (reading.busType != 0)
        line += L", " + BusTypeName(reading.busType);
    if (reading.state != CQDiskState::read)
        return line + L": " + reading.detail;
    line +=
        L", source " +
        std::wstring(reading.source == CQHealthSource::none ? L"none" : HealthSourceName(reading.source)) +
        L" (" + reading.detail + L")";
    if (reading.hostBytesWritten)
        line += L", host writes " + FormatSize(*reading.hostBytesWritten) + L" (" +
                std::to_wstring(*reading.hostBytesWritten) + L" bytes)";
    else if (reading.rawWriteAttribute != 0)
        line += L", attribute " + std::to_wstring(reading.rawWriteAttribute) + L" raw " +
                std::to_wstring(reading.rawWriteValue) + L" (unit unknown for this drive)";
    else
        line += L", no host write counter";
    if (reading.percentUsed)
        line += L", wear " + std::to_wstring(*reading.percentUsed) + L" %" +
                (reading.wearFromAttribute ? L" (vendor attribute)" : L"");
    else
        line += L", no wear figure";
    return line;
}
} // namespace

CQDriveHealth::CQDriveHealth(const CQHistoryClock* clock) : m_clock(clock ? *clock : SystemHistoryClock()) {}

CQDriveHealth::~CQDriveHealth() = default;

void CQDriveHealth::Start(CQMonitor& monitor, const std::wstring& dataFolder, DWORD periodMs,
                          DWORD requestTimeoutMs)
{
    m_file.Open(dataFolder,
                [this](const std::string& bytes, bool replace) { return ReadRows(bytes, replace); });
    for (const CQDriveDay& row : m_history.Rows())
    {
        if (row.percentUsed)
        {
            uint32_t& wear = m_mapWearAtStart[DriveIdentity(row)];
            wear = std::max(wear, *row.percentUsed);
        }
    }
    m_boolStarted = m_reader.Start(periodMs, requestTimeoutMs);
    if (m_boolStarted)
        Request(MonitoredLetters(monitor));
}

std::string CQDriveHealth::ReadRows(const std::string& bytes, bool replaceRows)
{
    CQDriveHistoryFileContents contents = ParseDriveHistoryCsv(bytes);
    LogDamagedLines(kDriveHistoryFileName, contents.problems, contents.problemCount);
    if (replaceRows)
        m_history.SetRows(std::move(contents.rows));
    else
        m_history.MergeRows(contents.rows);
    return std::move(contents.keptLines);
}

void CQDriveHealth::PrepareFile()
{
    m_file.Prepare([this](const std::string& bytes, bool replace) { return ReadRows(bytes, replace); },
                   [this](const std::string& keptLines)
                   { return FormatDriveHistoryCsv(m_history.Rows(), keptLines); });
}

bool CQDriveHealth::Save()
{
    PrepareFile();
    return m_file.WritePrepared();
}

std::vector<std::wstring> CQDriveHealth::MonitoredLetters(CQMonitor& monitor) const
{
    std::vector<std::wstring> letters;
    CQLock lock(monitor.m_lockDrives);
    for (int i = 0; i < monitor.m_arrDrives.GetSize(); ++i)
    {
        const CQDriveItem* drive = monitor.m_arrDrives[i];
        if (drive != nullptr && drive->m_intInstances != 0 && !drive->m_csLetter.empty())
            letters.push_back(drive->m_csLetter);
    }
    return letters;
}

uint64_t CQDriveHealth::MeasuredOn(CQMonitor& monitor, const std::wstring& letters) const
{
    uint64_t measured = 0;
    CQLock lock(monitor.m_lockData);
    for (const std::wstring& letter : SplitLetters(letters))
    {
        if (const CQTreeItem* drive = monitor.m_root.FindChild(letter))
            measured += drive->m_qwordWrittenWithSubitems;
    }
    return measured;
}

void CQDriveHealth::Request(const std::vector<std::wstring>& letters)
{
    m_arrLetters = letters;
    m_qwordRequested = m_reader.Request(letters);
}

void CQDriveHealth::RequestReading(CQMonitor& monitor)
{
    if (m_boolStarted)
        Request(MonitoredLetters(monitor));
}

void CQDriveHealth::OnSaveBegins(const CQStatisticsBlock&, const CQPtrArray<CQProcess>&)
{
    PrepareFile();
    // The drives the refresh follows: the monitor's drive list may be held by the save.
    if (m_boolStarted)
    {
        Request(m_arrLetters);
        m_qwordSaveTicket = m_qwordRequested;
    }
}

void CQDriveHealth::OnDataSaved()
{
    m_file.WritePrepared();
}

std::vector<std::wstring> CQDriveHealth::Poll(CQMonitor& monitor)
{
    if (!m_boolStarted)
        return {};
    const std::vector<std::wstring> letters = MonitoredLetters(monitor);
    if (letters != m_arrLetters)
        Request(letters);
    CQHealthReader::Round round;
    if (!m_reader.Take(round))
        return {};
    std::vector<std::wstring> warnings = TakeRound(monitor, round);
    if (m_qwordSaveTicket != 0 && round.ticket >= m_qwordSaveTicket)
        m_qwordSaveTicket = 0;
    return warnings;
}

void CQDriveHealth::Finish(CQMonitor& monitor, DWORD waitMs)
{
    if (!m_boolStarted)
        return;
    if (m_qwordSaveTicket != 0)
    {
        if (!m_reader.WaitFor(m_qwordSaveTicket, waitMs))
            LogLine(kLogPrefix + L"the disks did not answer in time; the last readings are kept");
        CQHealthReader::Round round;
        if (m_reader.Take(round))
        {
            TakeRound(monitor, round);
            Save();
        }
        m_qwordSaveTicket = 0;
    }
    m_reader.Stop(waitMs);
    m_boolStarted = false;
}

CQDriveHealthView CQDriveHealth::Compare(CQMonitor& monitor, const CQDiskReading& reading, int32_t today)
{
    CQDriveHealthView view;
    view.reading = reading;
    view.measuredNow = MeasuredOn(monitor, reading.letters);
    view.ratedTbw = LoadRatedTbw(reading.serial);
    const std::wstring identity = DriveIdentity(reading);
    if (reading.state == CQDiskState::read && reading.hostBytesWritten)
    {
        const uint64_t written = *reading.hostBytesWritten;
        auto known = m_mapBaselines.find(identity);
        if (known == m_mapBaselines.end())
        {
            CQDriveBaseline stored;
            if (LoadDriveBaseline(reading.serial, stored))
                known = m_mapBaselines.emplace(identity, stored).first;
        }
        const bool fresh = known == m_mapBaselines.end();
        // A clear of the collected data, or another drive under the same serial, starts the comparison again.
        if (fresh || written < known->second.written || view.measuredNow < known->second.measured)
        {
            if (!fresh)
                LogLine(kLogPrefix + DriveTitle(reading) +
                        L": the comparison with Tavrello's measurement starts "
                        L"again (a count went back)");
            const CQDriveBaseline baseline{today, written, view.measuredNow};
            m_mapBaselines[identity] = baseline;
            StoreDriveBaseline(reading.serial, baseline);
        }
        view.compared = true;
        view.baseline = m_mapBaselines[identity];
    }
    view.rate = ChooseDailyRate(m_history.RowsOf(identity), view.measuredNow,
                                CounterLoad(monitor.m_stats.m_qwordMonitoringSeconds));
    return view;
}

std::vector<std::wstring> CQDriveHealth::TakeRound(CQMonitor& monitor, const CQHealthReader::Round& round)
{
    m_qwordTaken = std::max(m_qwordTaken, round.ticket);
    const int32_t today = m_clock.LocalDay();
    std::vector<std::wstring> warnings;
    std::vector<CQDriveHealthView> views;
    for (const CQDiskReading& reading : round.disks)
    {
        if (!m_boolStartLogged)
            LogLine(StartLine(reading));
        if (reading.state == CQDiskState::noAnswer && m_setSilentLogged.insert(reading.disk).second)
            LogLine(kLogPrefix + DriveTitle(reading) +
                    L" does not answer; it is not read again until Tavrello "
                    L"starts again");
        m_history.Record(today, reading);
        views.push_back(Compare(monitor, reading, today));
        const auto wear = m_mapWearAtStart.find(DriveIdentity(reading));
        for (std::wstring& warning :
             m_alerts.Check(reading, wear == m_mapWearAtStart.end() ? std::optional<uint32_t>()
                                                                    : std::optional<uint32_t>(wear->second)))
        {
            LogLine(kLogPrefix + warning);
            warnings.push_back(std::move(warning));
        }
    }
    m_boolStartLogged = true;
    m_arrViews = std::move(views);
    ++m_qwordVersion;
    return warnings;
}

bool CQDriveHealth::SetRatedTbw(size_t index, uint32_t tbw)
{
    if (index >= m_arrViews.size() || !StoreRatedTbw(m_arrViews[index].reading.serial, tbw))
        return false;
    m_arrViews[index].ratedTbw = tbw;
    ++m_qwordVersion;
    return true;
}

std::vector<CQDriveHostDay> CQDriveHealth::GetHostBytesPerDay(const std::wstring& identity) const
{
    return m_history.HostBytesPerDay(identity);
}
