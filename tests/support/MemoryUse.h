// How much memory the test process holds, as the system counts it.
#pragma once

#include <cstddef>

// Bytes of committed private memory of this process (heaps, stacks, VirtualAlloc), walked region by
// region; process-memory counters are not filled in under Wine.
size_t CommittedPrivateBytes();
