#include "fuzz/MemoryUse.h"

#include <windows.h>

size_t CommittedPrivateBytes()
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region = {};
    const BYTE* address = nullptr;
    while (VirtualQuery(address, &region, sizeof(region)) == sizeof(region))
    {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const BYTE* next = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}
