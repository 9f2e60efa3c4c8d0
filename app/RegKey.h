// A move-only owner of an open registry key (null when none).
#pragma once

#include <windows.h>

#include "data/Handle.h"

struct CQRegKeyTraits
{
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static void Close(Handle key) { RegCloseKey(key); }
};

using CQRegKey = CQOwnedHandle<CQRegKeyTraits>;
