#include "support/TestCanvas.h"

TestCanvas::TestCanvas(int width, int height) : m_width(width), m_height(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_hdc = ::CreateCompatibleDC(nullptr);
    m_hBitmap = ::CreateDIBSection(m_hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_pBits = static_cast<DWORD*>(bits);
    m_hOld = ::SelectObject(m_hdc, m_hBitmap);
}

TestCanvas::~TestCanvas()
{
    ::SelectObject(m_hdc, m_hOld);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hdc);
}

void TestCanvas::Fill(COLORREF color)
{
    ::GdiFlush();
    const DWORD pixel = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    for (int i = 0; i < m_width * m_height; ++i)
        m_pBits[i] = pixel;
}

COLORREF TestCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || !m_pBits)
        return CLR_INVALID;
    ::GdiFlush();
    const DWORD pixel = m_pBits[y * m_width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool TestCanvas::AllPixels(const RECT& rect, COLORREF color) const
{
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if (Pixel(x, y) != color)
                return false;
    return true;
}
