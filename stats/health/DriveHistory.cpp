#include "stats/health/DriveHistory.h"

#include <algorithm>

namespace
{
// A longer gap between two rows says nothing about the days in it.
constexpr int32_t kMaxSpreadDays = 366;
} // namespace

void CQDriveHistory::Sort()
{
    std::stable_sort(m_arrRows.begin(), m_arrRows.end(),
                     [](const CQDriveDay& a, const CQDriveDay& b)
                     { return a.day != b.day ? a.day < b.day : a.disk < b.disk; });
}

void CQDriveHistory::SetRows(std::vector<CQDriveDay> rows)
{
    m_arrRows = std::move(rows);
    Sort();
}

void CQDriveHistory::MergeRows(const std::vector<CQDriveDay>& rows)
{
    for (const CQDriveDay& row : rows)
    {
        const std::wstring identity = DriveIdentity(row);
        const bool known = std::any_of(m_arrRows.begin(), m_arrRows.end(),
                                       [&](const CQDriveDay& mine)
                                       { return mine.day == row.day && DriveIdentity(mine) == identity; });
        if (!known)
            m_arrRows.push_back(row);
    }
    Sort();
}

bool CQDriveHistory::Record(int32_t day, const CQDiskReading& reading)
{
    CQDriveDay row;
    if (!DriveDayFromReading(day, reading, row))
        return false;
    const std::wstring identity = DriveIdentity(row);
    for (CQDriveDay& mine : m_arrRows)
    {
        if (mine.day == day && DriveIdentity(mine) == identity)
        {
            mine = std::move(row);
            return true;
        }
    }
    m_arrRows.push_back(std::move(row));
    Sort();
    return true;
}

std::vector<CQDriveDay> CQDriveHistory::RowsOf(const std::wstring& identity) const
{
    std::vector<CQDriveDay> rows;
    for (const CQDriveDay& row : m_arrRows)
    {
        if (DriveIdentity(row) == identity)
            rows.push_back(row);
    }
    return rows;
}

std::vector<std::wstring> CQDriveHistory::Identities() const
{
    std::vector<std::wstring> identities;
    for (const CQDriveDay& row : m_arrRows)
    {
        std::wstring identity = DriveIdentity(row);
        if (std::find(identities.begin(), identities.end(), identity) == identities.end())
            identities.push_back(std::move(identity));
    }
    return identities;
}

std::vector<CQDriveHostDay> CQDriveHistory::HostBytesPerDay(const std::wstring& identity) const
{
    std::vector<CQDriveHostDay> days;
    const CQDriveDay* previous = nullptr;
    for (const CQDriveDay& row : m_arrRows)
    {
        if (!row.written || DriveIdentity(row) != identity)
            continue;
        if (previous != nullptr && *row.written >= *previous->written &&
            row.day - previous->day <= kMaxSpreadDays)
        {
            const uint64_t growth = *row.written - *previous->written;
            const int32_t span = row.day - previous->day;
            for (int32_t day = previous->day + 1; day <= row.day; ++day)
                days.push_back({day, day == row.day ? growth - (growth / span) * (span - 1) : growth / span});
        }
        previous = &row;
    }
    return days;
}
