// The bytes written over the last minute, in one-second slots, in total and per process.
#pragma once

#include <cstdint>
#include <vector>

class CQWriteWindow
{
public:
    static constexpr int64_t kSeconds = 60;

    // What one process wrote; the process is named by its index in the monitor's processes.
    struct ProcessBytes
    {
        uint32_t m_dwordIndex;
        uint64_t m_qwordBytes;
    };

    // Adds what was written since the previous call, at second `now` of a clock that does not go back
    // (an earlier second counts as the previous one). Growth over a gap of up to a minute counts at `now`;
    // over a longer gap only the last minute's even share of it is kept.
    void Add(int64_t now, uint64_t bytes, const std::vector<ProcessBytes>& processes);
    // Forgets everything; the next Add starts a new minute.
    void Clear();

    // Bytes of the minute that ends with the latest second added.
    uint64_t GetTotal() const;
    // The process that wrote most in that minute (the first such index on a tie); false when no process
    // wrote in it.
    bool GetLargestWriter(uint32_t& index, uint64_t& bytes) const;

private:
    struct Slot
    {
        int64_t m_int64Second = 0;
        uint64_t m_qwordBytes = 0;
        std::vector<ProcessBytes> m_arrProcesses;
    };

    bool IsCurrent(const Slot& slot) const;

    Slot m_arrSlots[kSeconds];
    int64_t m_int64Latest = 0;
    bool m_boolStarted = false;
};
