#include "stats/alerts/WriteWindow.h"

#include <algorithm>

namespace
{
// Share of bytes that falls into the last `window` of `elapsed` seconds, without overflowing 64 bits.
uint64_t ShareOf(uint64_t bytes, int64_t elapsed, int64_t window)
{
    const uint64_t e = static_cast<uint64_t>(elapsed);
    const uint64_t w = static_cast<uint64_t>(window);
    return bytes / e * w + bytes % e * w / e;
}

size_t SlotIndex(int64_t second)
{
    const int64_t index = second % CQWriteWindow::kSeconds;
    return static_cast<size_t>(index < 0 ? index + CQWriteWindow::kSeconds : index);
}
} // namespace

void CQWriteWindow::Add(int64_t now, uint64_t bytes, const std::vector<ProcessBytes>& processes)
{
    if (m_boolStarted && now < m_int64Latest)
        now = m_int64Latest;
    const int64_t elapsed = m_boolStarted ? now - m_int64Latest : 1;
    m_int64Latest = now;
    m_boolStarted = true;

    // A slot still holding an older minute's second starts afresh; slots skipped over are left to age out.
    Slot& slot = m_arrSlots[SlotIndex(now)];
    if (slot.m_int64Second != now)
    {
        slot.m_int64Second = now;
        slot.m_qwordBytes = 0;
        slot.m_arrProcesses.clear();
    }
    // Growth seen after a long pause (a busy window, a sleeping computer) is spread evenly over it.
    const bool spread = elapsed > kSeconds;
    slot.m_qwordBytes += spread ? ShareOf(bytes, elapsed, kSeconds) : bytes;
    for (const ProcessBytes& process : processes)
    {
        const uint64_t share =
            spread ? ShareOf(process.m_qwordBytes, elapsed, kSeconds) : process.m_qwordBytes;
        auto found =
            std::find_if(slot.m_arrProcesses.begin(), slot.m_arrProcesses.end(),
                         [&](const ProcessBytes& p) { return p.m_dwordIndex == process.m_dwordIndex; });
        if (found != slot.m_arrProcesses.end())
            found->m_qwordBytes += share;
        else
            slot.m_arrProcesses.push_back({process.m_dwordIndex, share});
    }
}

void CQWriteWindow::Clear()
{
    for (Slot& slot : m_arrSlots)
        slot = Slot();
    m_int64Latest = 0;
    m_boolStarted = false;
}

bool CQWriteWindow::IsCurrent(const Slot& slot) const
{
    return m_boolStarted && slot.m_int64Second <= m_int64Latest &&
           slot.m_int64Second > m_int64Latest - kSeconds;
}

uint64_t CQWriteWindow::GetTotal() const
{
    uint64_t total = 0;
    for (const Slot& slot : m_arrSlots)
    {
        if (IsCurrent(slot))
            total += slot.m_qwordBytes;
    }
    return total;
}

bool CQWriteWindow::GetLargestWriter(uint32_t& index, uint64_t& bytes) const
{
    std::vector<ProcessBytes> sums;
    for (const Slot& slot : m_arrSlots)
    {
        if (!IsCurrent(slot))
            continue;
        for (const ProcessBytes& process : slot.m_arrProcesses)
        {
            auto found =
                std::find_if(sums.begin(), sums.end(),
                             [&](const ProcessBytes& p) { return p.m_dwordIndex == process.m_dwordIndex; });
            if (found != sums.end())
                found->m_qwordBytes += process.m_qwordBytes;
            else
                sums.push_back(process);
        }
    }
    const ProcessBytes* largest = nullptr;
    for (const ProcessBytes& sum : sums)
    {
        if (sum.m_qwordBytes == 0)
            continue;
        if (!largest || sum.m_qwordBytes > largest->m_qwordBytes ||
            (sum.m_qwordBytes == largest->m_qwordBytes && sum.m_dwordIndex < largest->m_dwordIndex))
            largest = &sum;
    }
    if (!largest)
        return false;
    index = largest->m_dwordIndex;
    bytes = largest->m_qwordBytes;
    return true;
}
