#include "data/TreeObserver.h"

#include <atomic>

namespace
{
// Set on the user-interface thread, read by the thread that adds items.
std::atomic<ITreeItemObserver*> g_pTreeItemObserver{nullptr};
} // namespace

void SetTreeItemObserver(ITreeItemObserver* observer)
{
    g_pTreeItemObserver.store(observer, std::memory_order_release);
}

ITreeItemObserver* GetTreeItemObserver()
{
    return g_pTreeItemObserver.load(std::memory_order_acquire);
}
