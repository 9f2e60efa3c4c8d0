// Carries items that the processing thread creates to the user-interface thread, which inserts their rows
// into the files tree view. Pushing never waits for the user-interface thread: the item is queued under
// this object's own small lock and one message is posted to the view's window per batch.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/CriticalSection.h"

class CQTreeItem;

class CQItemHandOver
{
public:
    // The wParam of the connected message: items wait (TakePending), or the view is to be filled from the
    // tree whose root is the lParam (a CQTreeItem*), as after loading the saved data.
    enum : WPARAM
    {
        itemsPending = 0,
        fillFromRoot = 1,
    };

    CQItemHandOver();
    ~CQItemHandOver();
    CQItemHandOver(const CQItemHandOver&) = delete;
    CQItemHandOver& operator=(const CQItemHandOver&) = delete;

    // The window that receives `message` when items are waiting; null disconnects and drops what waits.
    // User-interface thread.
    void Connect(HWND window, UINT message);
    BOOL IsConnected() const;

    // Any thread (the processing thread holds the data lock): queues the item when a view is connected.
    void Push(CQTreeItem* item);

    // User-interface thread: takes the waiting items in the order they were pushed, at most limit of them;
    // when more wait, the message comes again for them.
    void TakePending(std::vector<CQTreeItem*>& items, size_t limit = SIZE_MAX);

    // Items waiting to be taken; any thread.
    size_t GetPendingCount() const;

    // Drops the waiting items, for when the items themselves are about to be deleted (data lock held).
    void Discard();

    // User-interface thread: has the connected view insert rows for the whole tree below root, with the
    // view's window updates locked meanwhile.
    void FillView(CQTreeItem* root);

    // User-interface thread: deletes every row of the connected tree view (TVM_DELETEITEM with TVI_ROOT).
    void ClearView();

private:
    mutable CQCriticalSection m_lock;
    // Items pushed and not yet taken are m_arrPending[m_sizeTaken ..]: taking a chunk moves the position
    // instead of shifting the rest to the front, so a long backlog costs no more than its own copying.
    std::vector<CQTreeItem*> m_arrPending;
    size_t m_sizeTaken = 0;
    HWND m_hWindow = nullptr;
    UINT m_uintMessage = 0;
    BOOL m_boolPosted = 0;
};
