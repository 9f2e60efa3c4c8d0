// A feed of synthetic system file events for tests, standing in for the live session that Wine lacks. The
// test keeps the control; the monitor owns the feed. What the test plays is delivered from the feed's own
// thread, as the session's consumer thread delivers, and the source's clock is the test's to move.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "engine/events/EventFeed.h"
#include "support/FileEvents.h"

class ReplayControl
{
public:
    ReplayControl();
    ~ReplayControl();
    ReplayControl(const ReplayControl&) = delete;
    ReplayControl& operator=(const ReplayControl&) = delete;

    // A start that fails with this reason (empty: it succeeds).
    void FailStartWith(const std::wstring& why) { m_csFailure = why; }
    void Play(const std::vector<file_events_test::SyntheticEvent>& events);
    // The feed says its events have ended.
    void End(const std::wstring& why);
    // Waits until everything played so far has been handed to the source.
    bool WaitDelivered(DWORD timeoutMilliseconds = 20000) const;

    void SetNow(ULONGLONG now) { m_qwordNow = now; }
    bool WasStarted() const { return m_boolStarted; }
    bool WasStopped() const { return m_boolStopped; }

private:
    friend class ReplayEventFeed;
    struct Item
    {
        file_events_test::SyntheticEvent event;
        bool end = false;
        std::wstring why;
    };
    void Push(Item item);

    mutable CQCriticalSection m_lock;
    std::deque<Item> m_arrItems;
    HANDLE m_hWake;
    std::atomic<uint64_t> m_qwordPlayed{0};
    std::atomic<uint64_t> m_qwordDelivered{0};
    std::atomic<ULONGLONG> m_qwordNow{0};
    std::atomic<bool> m_boolStarted{false};
    std::atomic<bool> m_boolStopped{false};
    std::wstring m_csFailure;
};

class ReplayEventFeed : public CQEventFeed
{
public:
    explicit ReplayEventFeed(std::shared_ptr<ReplayControl> control) : m_pControl(std::move(control)) {}
    ~ReplayEventFeed() override { Stop(); }

    bool Start(CQFileEventSource& source, std::wstring& why) override;
    bool Stop() override;
    ULONGLONG Now() const override { return m_pControl->m_qwordNow; }

private:
    static DWORD WINAPI Run(LPVOID feed);

    std::shared_ptr<ReplayControl> m_pControl;
    CQFileEventSource* m_pSource = nullptr;
    HANDLE m_hThread = nullptr;
    std::atomic<bool> m_boolStop{false};
};
