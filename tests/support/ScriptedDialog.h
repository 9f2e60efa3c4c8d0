// A dialog for window tests that runs a script inside its own modal loop: after initialisation each
// step runs from a posted message, so the messages a step posts are dispatched by the dialog's loop
// before the next step runs. After the last step the dialog ends with `finishResult`; a watchdog ends
// it with kTimedOut so a test can never hang.
//
//   ScriptedDialog<CQDialog> dlg(builder.Get(), nullptr);
//   dlg.steps.push_back([](auto& d) { ... });
//   EXPECT_EQ(ScriptedDialogBase::kFinished, dlg.DoModal());
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "ui/controls/Dialog.h"

struct ScriptedDialogBase
{
    static constexpr INT_PTR kFinished = 1000;
    static constexpr INT_PTR kTimedOut = -2;
    static constexpr UINT kStepMessage = WM_APP + 0x2E00;
    static constexpr UINT_PTR kWatchdogTimer = 0x5C17;
    static constexpr UINT_PTR kDelayTimer = 0x5C18;
    static constexpr UINT kWatchdogMs = 10000;
};

template <class Base> class ScriptedDialog : public Base, public ScriptedDialogBase
{
public:
    using Base::Base;
    using Step = std::function<void(ScriptedDialog&)>;

    std::vector<Step> steps;
    std::function<void(ScriptedDialog&)> onInit; // after the base initialisation
    INT_PTR finishResult = kFinished;
    bool timedOut = false;
    int stepsRun = 0;

    // Called from a step: the next step runs only after `milliseconds` of the dialog's own loop (timers,
    // idle), instead of right after the messages already posted.
    void ContinueAfter(UINT milliseconds) { m_delayMs = milliseconds; }

    // Protected parts of the dialog, opened for tests.
    using Base::GetToolTipText;
    using Base::m_boolHideWhenMinimized;
    using Base::m_boolMinimized;
    using Base::m_boolResizingEnabled;
    using Base::m_intMinTrackHeight;
    using Base::m_intMinTrackWidth;
    using Base::m_rectLastLayout;
    using Base::ToolHitTest;
    using Base::TrackPopupMenu;
    using Base::UpdateMenuCommands;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = Base::OnInitDialog();
        if (onInit)
            onInit(*this);
        ::SetTimer(this->GetHwnd(), kWatchdogTimer, kWatchdogMs, nullptr);
        ::PostMessageW(this->GetHwnd(), kStepMessage, 0, 0);
        return result;
    }

    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kStepMessage)
        {
            const size_t index = static_cast<size_t>(wParam);
            if (index < steps.size())
            {
                m_delayMs = 0;
                steps[index](*this);
                ++stepsRun;
                m_nextStep = index + 1;
                if (this->GetHwnd() && m_delayMs)
                    ::SetTimer(this->GetHwnd(), kDelayTimer, m_delayMs, nullptr);
                else if (this->GetHwnd())
                    ::PostMessageW(this->GetHwnd(), kStepMessage, m_nextStep, 0);
            }
            else
                this->EndDialog(finishResult);
            result = 0;
            return TRUE;
        }
        if (message == WM_TIMER && wParam == kDelayTimer)
        {
            ::KillTimer(this->GetHwnd(), kDelayTimer);
            ::PostMessageW(this->GetHwnd(), kStepMessage, m_nextStep, 0);
            result = 0;
            return TRUE;
        }
        if (message == WM_TIMER && wParam == kWatchdogTimer)
        {
            timedOut = true;
            this->EndDialog(kTimedOut);
            result = 0;
            return TRUE;
        }
        return Base::WindowProc(message, wParam, lParam, result);
    }

private:
    UINT m_delayMs = 0;
    size_t m_nextStep = 0;
};
