// The thread that reads the disks. The user-interface thread asks for a round (at start, at every save, on
// the window's request) and takes the readings when they are in, without ever waiting for the disks; the
// thread also reads every ten minutes by itself. A disk that does not answer within the request time is left
// alone for the rest of the run, so one hung drive costs one timeout, not one per round.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/health/DiskReading.h"

class CQHealthReader
{
public:
    static constexpr DWORD kDefaultPeriodMs = 10 * 60 * 1000;
    static constexpr DWORD kDefaultRequestTimeoutMs = 15 * 1000;

    struct Round
    {
        // The highest ticket the round answers: every Request that returned it or less.
        uint64_t ticket = 0;
        // One per disk that holds a volume asked for, in disk order.
        std::vector<CQDiskReading> disks;
    };

    CQHealthReader();
    // Stops the thread (waiting for it a short while).
    ~CQHealthReader();
    CQHealthReader(const CQHealthReader&) = delete;
    CQHealthReader& operator=(const CQHealthReader&) = delete;

    // Starts the thread; false (logged) when the system refuses one.
    bool Start(DWORD periodMs = kDefaultPeriodMs, DWORD requestTimeoutMs = kDefaultRequestTimeoutMs);
    bool IsStarted() const { return m_hThread != nullptr; }

    // Asks for a round over the disks of these volumes ("C:"), which the ten-minute rounds then read too.
    // Returns the ticket of the round.
    uint64_t Request(const std::vector<std::wstring>& letters);
    // The readings of the latest round finished since the last call; false when none is new.
    bool Take(Round& round);
    // Waits at most `milliseconds` until a round answering `ticket` has finished; true when it has.
    bool WaitFor(uint64_t ticket, DWORD milliseconds);
    // Ends the thread: a request in progress is cancelled, and the thread is waited for at most
    // `milliseconds` (one stuck in the system is left behind; what it uses stays alive with it).
    void Stop(DWORD milliseconds);

private:
    struct Shared;
    static DWORD WINAPI Run(LPVOID shared);

    std::shared_ptr<Shared> m_pShared;
    HANDLE m_hThread = nullptr;
};
