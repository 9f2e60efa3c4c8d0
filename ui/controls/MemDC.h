// CQMemDC: flicker-free painting. Drawing goes to an off-screen bitmap the size of the target's clip box,
// in the target's own coordinates, and is copied to the target when the object goes away. A printing
// target (or one the memory context cannot be made for) is painted directly.
#pragma once

#include <windows.h>

class CQMemDC
{
public:
    explicit CQMemDC(HDC hTarget);
    ~CQMemDC();

    CQMemDC(const CQMemDC&) = delete;
    CQMemDC& operator=(const CQMemDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL IsBuffering() const { return m_boolMemDC; }
    const RECT& GetRect() const { return m_rect; }

private:
    HDC m_hTargetDC = nullptr;
    HDC m_hDC = nullptr; // the memory context, or the target when not buffering
    HBITMAP m_hBitmap = nullptr;
    HBITMAP m_hOldBitmap = nullptr;
    RECT m_rect = {};
    BOOL m_boolMemDC = FALSE;
};
