#include "support/MessagePump.h"

namespace
{
void DispatchPending()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
} // namespace

void PumpMessages(DWORD milliseconds)
{
    PumpMessagesUntil([] { return false; }, milliseconds);
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds)
{
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;)
    {
        DispatchPending();
        if (done())
            return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                    static_cast<DWORD>(end - now) < 10 ? static_cast<DWORD>(end - now) : 10,
                                    QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds)
{
    return PumpMessagesUntil(done, timeoutMilliseconds);
}
