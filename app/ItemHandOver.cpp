#include "app/ItemHandOver.h"

#include <commctrl.h>

CQItemHandOver::CQItemHandOver()
{
    m_lock.Init();
}

CQItemHandOver::~CQItemHandOver()
{
    m_lock.Delete();
}

void CQItemHandOver::Connect(HWND window, UINT message)
{
    CQLock lock(m_lock);
    m_hWindow = window;
    m_uintMessage = message;
    m_boolPosted = 0;
    m_arrPending.clear();
    m_sizeTaken = 0;
}

BOOL CQItemHandOver::IsConnected() const
{
    CQLock lock(m_lock);
    return m_hWindow != nullptr;
}

void CQItemHandOver::Push(CQTreeItem* item)
{
    CQLock lock(m_lock);
    if (m_hWindow == nullptr)
        return;
    m_arrPending.push_back(item);
    if (!m_boolPosted)
    {
        // One message per batch: the receiver takes everything that waits, however much it is.
        m_boolPosted = PostMessageW(m_hWindow, m_uintMessage, itemsPending, 0) ? 1 : 0;
    }
}

size_t CQItemHandOver::GetPendingCount() const
{
    CQLock lock(m_lock);
    return m_arrPending.size() - m_sizeTaken;
}

void CQItemHandOver::TakePending(std::vector<CQTreeItem*>& items, size_t limit)
{
    items.clear();
    CQLock lock(m_lock);
    const size_t waiting = m_arrPending.size() - m_sizeTaken;
    const auto first = m_arrPending.begin() + static_cast<std::ptrdiff_t>(m_sizeTaken);
    if (waiting <= limit)
    {
        items.assign(first, m_arrPending.end());
        m_arrPending.clear();
        m_sizeTaken = 0;
        m_boolPosted = 0;
        return;
    }
    items.assign(first, first + static_cast<std::ptrdiff_t>(limit));
    m_sizeTaken += limit;
    // What was taken is dropped once it is most of the storage, so the storage follows the backlog and each
    // item is moved at most about once.
    if (m_sizeTaken > m_arrPending.size() / 2)
    {
        m_arrPending.erase(m_arrPending.begin(),
                           m_arrPending.begin() + static_cast<std::ptrdiff_t>(m_sizeTaken));
        m_sizeTaken = 0;
    }
    m_boolPosted = m_hWindow != nullptr && PostMessageW(m_hWindow, m_uintMessage, itemsPending, 0) ? 1 : 0;
}

void CQItemHandOver::Discard()
{
    CQLock lock(m_lock);
    m_arrPending.clear();
    m_sizeTaken = 0;
}

void CQItemHandOver::ClearView()
{
    HWND window;
    {
        CQLock lock(m_lock);
        window = m_hWindow;
    }
    if (window != nullptr)
        SendMessageW(window, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void CQItemHandOver::FillView(CQTreeItem* root)
{
    HWND window;
    UINT message;
    {
        CQLock lock(m_lock);
        window = m_hWindow;
        message = m_uintMessage;
    }
    if (window == nullptr)
        return;
    LockWindowUpdate(window);
    SendMessageW(window, message, fillFromRoot, reinterpret_cast<LPARAM>(root));
    LockWindowUpdate(nullptr);
}
