// A feed of synthetic system file events for tests, standing in for the live session that Wine lacks. The
// test keeps the control and the monitor (or the test) owns the feed; what the test plays is delivered from
// the test's thread, as the session's consumer thread delivers from its own. The source's clock, the time
// it holds events for their order and the session's loss figures are the test's.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/events/EventFeed.h"
#include "support/FileEvents.h"

class ReplayControl
{
public:
    // Hands the events to the source of a started feed (and nothing before the start or after the stop).
    void Play(const std::vector<file_events_test::SyntheticEvent>& events);
    // The feed says its events have ended.
    void End(const std::wstring& why);

    void SetNow(ULONGLONG now) { m_qwordNow = now; }
    void Advance(ULONGLONG milliseconds) { m_qwordNow += milliseconds; }
    void SetHoldMs(ULONGLONG holdMs) { m_qwordHoldMs = holdMs; }
    void SetLosses(uint64_t events, uint64_t buffers)
    {
        m_qwordLostEvents = events;
        m_qwordLostBuffers = buffers;
    }
    bool WasStarted() const { return m_boolStarted; }
    bool WasStopped() const { return m_boolStopped; }
    // How often the feed was told to end the session, and asked for its losses.
    int Halts() const { return m_intHalts; }
    int LossQueries() const { return m_intLossQueries; }

private:
    friend class ReplayEventFeed;
    // Set by the feed's start, cleared by its stop (both on the thread that runs the monitor).
    std::atomic<CQFileEventSource*> m_pSource{nullptr};
    std::atomic<ULONGLONG> m_qwordNow{0};
    std::atomic<ULONGLONG> m_qwordHoldMs{0};
    std::atomic<uint64_t> m_qwordLostEvents{0};
    std::atomic<uint64_t> m_qwordLostBuffers{0};
    std::atomic<bool> m_boolStarted{false};
    std::atomic<bool> m_boolStopped{false};
    std::atomic<int> m_intHalts{0};
    std::atomic<int> m_intLossQueries{0};
};

class ReplayEventFeed : public CQEventFeed
{
public:
    explicit ReplayEventFeed(std::shared_ptr<ReplayControl> control) : m_pControl(std::move(control)) {}
    ~ReplayEventFeed() override { Stop(); }

    bool Start(CQFileEventSource& source, std::wstring& why) override;
    bool Stop() override;
    // As a stopped session does: the events end.
    void Halt() override;
    bool QueryLosses(SessionLosses& losses) override;
    ULONGLONG Now() const override { return m_pControl->m_qwordNow; }
    ULONGLONG HoldMs() const override { return m_pControl->m_qwordHoldMs; }

private:
    std::shared_ptr<ReplayControl> m_pControl;
};
