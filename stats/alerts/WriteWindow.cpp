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

int64_t FloorDivide(int64_t value, int64_t divisor)
{
    const int64_t quotient = value / divisor;
    return value % divisor < 0 ? quotient - 1 : quotient;
}
} // namespace

CQWriteWindow::CQWriteWindow(int slots, int64_t secondsPerSlot)
    : m_arrSlots(static_cast<size_t>(std::max(1, slots))),
      m_int64SecondsPerSlot(std::max<int64_t>(1, secondsPerSlot))
{
}

void CQWriteWindow::Add(int64_t now, uint64_t bytes, const std::vector<ProcessBytes>& processes)
{
    if (m_boolStarted && now < m_int64Latest)
        now = m_int64Latest;
    const int64_t elapsed = m_boolStarted ? now - m_int64Latest : 1;
    m_int64Latest = now;
    m_boolStarted = true;

    // A slot still holding an older window's time starts afresh; slots skipped over are left to age out.
    const int64_t number = FloorDivide(now, m_int64SecondsPerSlot);
    const int64_t count = static_cast<int64_t>(m_arrSlots.size());
    Slot& slot = m_arrSlots[static_cast<size_t>(((number % count) + count) % count)];
    if (slot.m_int64Number != number)
    {
        slot.m_int64Number = number;
        slot.m_qwordBytes = 0;
        slot.m_arrProcesses.clear();
    }
    // Growth seen after a long pause (a busy window, a sleeping computer) is spread evenly over it.
    const int64_t window = GetSeconds();
    const bool spread = elapsed > window;
    slot.m_qwordBytes += spread ? ShareOf(bytes, elapsed, window) : bytes;
    for (const ProcessBytes& process : processes)
    {
        const uint64_t share = spread ? ShareOf(process.m_qwordBytes, elapsed, window) : process.m_qwordBytes;
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
    const int64_t latest = FloorDivide(m_int64Latest, m_int64SecondsPerSlot);
    return m_boolStarted && slot.m_int64Number <= latest &&
           slot.m_int64Number > latest - static_cast<int64_t>(m_arrSlots.size());
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

std::vector<CQWriteWindow::ProcessBytes> CQWriteWindow::GetWriters() const
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
    sums.erase(
        std::remove_if(sums.begin(), sums.end(), [](const ProcessBytes& p) { return p.m_qwordBytes == 0; }),
        sums.end());
    std::sort(sums.begin(), sums.end(),
              [](const ProcessBytes& a, const ProcessBytes& b)
              {
                  return a.m_qwordBytes != b.m_qwordBytes ? a.m_qwordBytes > b.m_qwordBytes
                                                          : a.m_dwordIndex < b.m_dwordIndex;
              });
    return sums;
}
