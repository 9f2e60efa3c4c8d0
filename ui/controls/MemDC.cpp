#include "ui/controls/MemDC.h"

CQMemDC::CQMemDC(HDC hTarget) : m_hTargetDC(hTarget), m_hDC(hTarget)
{
    if (!hTarget || ::GetDeviceCaps(hTarget, TECHNOLOGY) == DT_RASPRINTER)
        return;
    ::GetClipBox(hTarget, &m_rect);
    const int width = m_rect.right - m_rect.left;
    const int height = m_rect.bottom - m_rect.top;
    if (width <= 0 || height <= 0)
        return;
    HDC hMemory = ::CreateCompatibleDC(hTarget);
    if (!hMemory)
        return;
    m_hBitmap = ::CreateCompatibleBitmap(hTarget, width, height);
    if (!m_hBitmap)
    {
        ::DeleteDC(hMemory);
        return;
    }
    m_hOldBitmap = static_cast<HBITMAP>(::SelectObject(hMemory, m_hBitmap));
    // Drawing uses the target's coordinates.
    ::SetWindowOrgEx(hMemory, m_rect.left, m_rect.top, nullptr);
    m_hDC = hMemory;
    m_boolMemDC = TRUE;
}

CQMemDC::~CQMemDC()
{
    if (!m_boolMemDC)
        return;
    ::BitBlt(m_hTargetDC, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
             m_hDC, m_rect.left, m_rect.top, SRCCOPY);
    ::SelectObject(m_hDC, m_hOldBitmap);
    ::DeleteDC(m_hDC);
    ::DeleteObject(m_hBitmap);
}
