#include "engine/health/HealthReader.h"

#include <algorithm>
#include <map>
#include <set>

#include "app/CriticalSection.h"
#include "data/Error.h"
#include "engine/health/DiskReader.h"
#include "engine/health/VolumeDisks.h"

namespace
{
// How long the destructor waits for the thread.
constexpr DWORD kDestructorWaitMs = 3000;

class CQEvent
{
public:
    explicit CQEvent(BOOL manualReset) : m_h(::CreateEventW(nullptr, manualReset, FALSE, nullptr)) {}
    ~CQEvent()
    {
        if (m_h != nullptr)
            ::CloseHandle(m_h);
    }
    CQEvent(const CQEvent&) = delete;
    CQEvent& operator=(const CQEvent&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};
} // namespace

// What the thread and the user-interface thread share; the thread keeps it alive while it runs.
struct CQHealthReader::Shared
{
    CQCriticalSection lock;
    CQEvent wake{FALSE};
    CQEvent stop{TRUE};
    CQEvent finished{TRUE};
    DWORD periodMs = kDefaultPeriodMs;
    DWORD timeoutMs = kDefaultRequestTimeoutMs;
    // Under the lock.
    std::vector<std::wstring> letters;
    uint64_t requested = 0;
    Round latest;
    bool fresh = false;
    // The thread's own: disks that did not answer.
    std::set<uint32_t> silent;

    Shared() { lock.Init(); }
    void ReadRound();
};

void CQHealthReader::Shared::ReadRound()
{
    std::vector<std::wstring> volumes;
    uint64_t ticket = 0;
    {
        CQLock guard(lock);
        volumes = letters;
        ticket = requested;
    }
    std::map<uint32_t, std::wstring> disks;
    for (const std::wstring& letter : volumes)
    {
        for (uint32_t disk : DisksOfVolume(letter, timeoutMs, stop.Get()))
        {
            std::wstring& onDisk = disks[disk];
            onDisk += (onDisk.empty() ? L"" : L" ") + letter;
        }
    }
    Round round;
    round.ticket = ticket;
    for (const auto& entry : disks)
    {
        CQDiskReading reading;
        if (silent.count(entry.first) != 0)
        {
            reading.disk = entry.first;
            reading.state = CQDiskState::noAnswer;
            reading.detail = L"does not answer";
        }
        else
        {
            reading = ReadDisk(entry.first, timeoutMs, stop.Get());
        }
        if (reading.state == CQDiskState::noAnswer)
            silent.insert(entry.first);
        reading.letters = entry.second;
        round.disks.push_back(std::move(reading));
    }
    CQLock guard(lock);
    latest = std::move(round);
    fresh = true;
    ::SetEvent(finished.Get());
}

CQHealthReader::CQHealthReader() : m_pShared(std::make_shared<Shared>()) {}

CQHealthReader::~CQHealthReader()
{
    Stop(kDestructorWaitMs);
}

bool CQHealthReader::Start(DWORD periodMs, DWORD requestTimeoutMs)
{
    if (m_hThread != nullptr)
        return true;
    m_pShared->periodMs = periodMs;
    m_pShared->timeoutMs = requestTimeoutMs;
    ::ResetEvent(m_pShared->stop.Get());
    auto* shared = new std::shared_ptr<Shared>(m_pShared);
    m_hThread = ::CreateThread(nullptr, 0, &Run, shared, 0, nullptr);
    if (m_hThread == nullptr)
    {
        CQError error(L"Creating the drive health thread");
        delete shared;
        return false;
    }
    return true;
}

uint64_t CQHealthReader::Request(const std::vector<std::wstring>& letters)
{
    uint64_t ticket = 0;
    {
        CQLock guard(m_pShared->lock);
        m_pShared->letters = letters;
        ticket = ++m_pShared->requested;
        ::ResetEvent(m_pShared->finished.Get());
    }
    ::SetEvent(m_pShared->wake.Get());
    return ticket;
}

bool CQHealthReader::Take(Round& round)
{
    CQLock guard(m_pShared->lock);
    if (!m_pShared->fresh)
        return false;
    round = m_pShared->latest;
    m_pShared->fresh = false;
    return true;
}

bool CQHealthReader::WaitFor(uint64_t ticket, DWORD milliseconds)
{
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    for (;;)
    {
        {
            CQLock guard(m_pShared->lock);
            if (m_pShared->latest.ticket >= ticket)
                return true;
            ::ResetEvent(m_pShared->finished.Get());
        }
        const ULONGLONG now = ::GetTickCount64();
        if (m_hThread == nullptr || now >= deadline ||
            ::WaitForSingleObject(m_pShared->finished.Get(), static_cast<DWORD>(deadline - now)) !=
                WAIT_OBJECT_0)
        {
            CQLock guard(m_pShared->lock);
            return m_pShared->latest.ticket >= ticket;
        }
    }
}

void CQHealthReader::Stop(DWORD milliseconds)
{
    if (m_hThread == nullptr)
        return;
    ::SetEvent(m_pShared->stop.Get());
    ::WaitForSingleObject(m_hThread, milliseconds);
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
}

DWORD WINAPI CQHealthReader::Run(LPVOID parameter)
{
    std::unique_ptr<std::shared_ptr<Shared>> holder(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared& shared = **holder;
    HANDLE waits[2] = {shared.stop.Get(), shared.wake.Get()};
    for (;;)
    {
        // A round on request, and every period by itself.
        const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, shared.periodMs);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED)
            break;
        shared.ReadRound();
        if (::WaitForSingleObject(shared.stop.Get(), 0) == WAIT_OBJECT_0)
            break;
    }
    return 0;
}
