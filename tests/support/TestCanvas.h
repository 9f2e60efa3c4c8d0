// A 32-bit off-screen drawing surface for paint tests: a memory DC over a DIB section whose pixels can
// be read back directly.
#pragma once

#include <windows.h>

class TestCanvas
{
public:
    TestCanvas(int width, int height);
    ~TestCanvas();

    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;

    HDC Dc() const { return m_hdc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void Fill(COLORREF color);
    // The pixel as a COLORREF (0x00BBGGRR); CLR_INVALID outside the surface.
    COLORREF Pixel(int x, int y) const;
    // True when every pixel of `rect` has `color`.
    bool AllPixels(const RECT& rect, COLORREF color) const;

private:
    HDC m_hdc = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    DWORD* m_pBits = nullptr;
    int m_width;
    int m_height;
};
