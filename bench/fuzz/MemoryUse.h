// How much memory this process holds, as the system counts it.
#pragma once

#include <cstddef>

// Bytes of committed private memory (heaps, stacks, VirtualAlloc), walked region by region; the process
// memory counters are not filled in under Wine.
size_t CommittedPrivateBytes();
