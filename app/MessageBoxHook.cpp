#include "app/MessageBoxHook.h"

#include <utility>

namespace
{
MessageBoxHook& CurrentHook()
{
    static MessageBoxHook hook;
    return hook;
}
} // namespace

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    if (CurrentHook())
        return CurrentHook()(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(CurrentHook(), std::move(hook));
}
