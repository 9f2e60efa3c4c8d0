// The bytes written over the last minute or hour, in slots of a second or a minute, in total and per
// process.
#pragma once

#include <cstdint>
#include <vector>

class CQWriteWindow
{
public:
    // What one process wrote; the process is named by its index in the monitor's processes.
    struct ProcessBytes
    {
        uint32_t m_dwordIndex;
        uint64_t m_qwordBytes;
    };

    // `slots` slots of `secondsPerSlot` seconds each: 60 of 1 for the last minute, 60 of 60 for the hour.
    CQWriteWindow(int slots, int64_t secondsPerSlot);

    int64_t GetSeconds() const { return m_int64SecondsPerSlot * static_cast<int64_t>(m_arrSlots.size()); }

    // Adds what was written since the previous call, at second `now` of a clock that does not go back
    // (an earlier second counts as the previous one). Growth over a gap up to the window's length counts
    // at `now`; over a longer gap only the window's even share of it is kept.
    void Add(int64_t now, uint64_t bytes, const std::vector<ProcessBytes>& processes);
    // Forgets everything; the next Add starts a new window.
    void Clear();

    // Bytes of the window that ends with the slot of the latest second added.
    uint64_t GetTotal() const;
    // The processes that wrote in that window with their bytes, largest first (the lower index first on
    // a tie).
    std::vector<ProcessBytes> GetWriters() const;

private:
    struct Slot
    {
        int64_t m_int64Number = 0; // the second divided by the slot's length
        uint64_t m_qwordBytes = 0;
        std::vector<ProcessBytes> m_arrProcesses;
    };

    bool IsCurrent(const Slot& slot) const;

    std::vector<Slot> m_arrSlots;
    int64_t m_int64SecondsPerSlot;
    int64_t m_int64Latest = 0;
    bool m_boolStarted = false;
};
