#include "ui/controls/ButtonST.h"

#include "ui/controls/ControlColors.h"
#include "ui/controls/GdiObject.h"
#include "ui/controls/MemDC.h"

#include <string>
#include <vector>

namespace
{
constexpr int kIconTop = 6;
constexpr int kTextAboveIconBottom = 10;
constexpr UINT kLastKeyboardMessage = 0x108;

// The bitmaps GetIconInfo hands out, deleted when done.
struct IconBitmaps
{
    ICONINFO info = {};
    BOOL valid = FALSE;
    explicit IconBitmaps(HICON hIcon) { valid = hIcon && ::GetIconInfo(hIcon, &info); }
    ~IconBitmaps()
    {
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
    }
    IconBitmaps(const IconBitmaps&) = delete;
    IconBitmaps& operator=(const IconBitmaps&) = delete;
};
} // namespace

CButtonST::CButtonST() : m_crBackground(kControlBackgroundColor), m_crText(kControlTextColor) {}

void CButtonST::OnAttached()
{
    ::SendMessageW(m_hWnd, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
}

BOOL CButtonST::SetIcon(UINT resourceId)
{
    HICON hIcon = static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 0, 0, 0));
    return SetIcon(hIcon);
}

BOOL CButtonST::SetIcon(HICON hIcon)
{
    m_iconGray.Reset();
    m_icon.Reset(hIcon);
    m_intIconBitmapWidth = m_intIconBitmapHeight = m_intIconBitsPerPixel = 0;
    m_byteIconWidth = m_byteIconHeight = 0;
    if (!hIcon)
        return FALSE;

    {
        IconBitmaps bitmaps(hIcon);
        if (bitmaps.valid)
        {
            BITMAP bitmap = {};
            if (bitmaps.info.hbmColor && ::GetObjectW(bitmaps.info.hbmColor, sizeof(bitmap), &bitmap))
            {
                m_intIconBitmapWidth = bitmap.bmWidth;
                m_intIconBitmapHeight = bitmap.bmHeight;
                m_intIconBitsPerPixel = bitmap.bmBitsPixel;
            }
            else if (bitmaps.info.hbmMask && ::GetObjectW(bitmaps.info.hbmMask, sizeof(bitmap), &bitmap))
            {
                // A monochrome icon keeps its image in the lower half of the mask.
                m_intIconBitmapWidth = bitmap.bmWidth;
                m_intIconBitmapHeight = bitmap.bmHeight / 2;
                m_intIconBitsPerPixel = 1;
            }
            m_byteIconWidth = static_cast<BYTE>(bitmaps.info.xHotspot * 2);
            m_byteIconHeight = static_cast<BYTE>(bitmaps.info.yHotspot * 2);
        }
    }
    if (m_hWnd)
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    m_iconGray.Reset(CreateGrayscaleIcon(hIcon));
    return TRUE;
}

HICON CButtonST::CreateGrayscaleIcon(HICON hIcon)
{
    IconBitmaps bitmaps(hIcon);
    if (!bitmaps.valid)
        return nullptr;
    if (!bitmaps.info.hbmColor)
        return ::CopyIcon(hIcon); // a monochrome icon has no colours to grey

    BITMAP bitmap = {};
    if (!::GetObjectW(bitmaps.info.hbmColor, sizeof(bitmap), &bitmap) || bitmap.bmWidth <= 0 ||
        bitmap.bmHeight <= 0)
        return nullptr;

    // The pixels as top-down 32-bit BGRA, whatever the bitmap's own format.
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(bitmap.bmWidth) * static_cast<size_t>(bitmap.bmHeight));

    HDC hScreen = ::GetDC(nullptr);
    const int lines = ::GetDIBits(hScreen, bitmaps.info.hbmColor, 0, static_cast<UINT>(bitmap.bmHeight),
                                  pixels.data(), &format, DIB_RGB_COLORS);
    if (lines != bitmap.bmHeight)
    {
        ::ReleaseDC(nullptr, hScreen);
        return nullptr;
    }
    for (RGBQUAD& pixel : pixels)
    {
        const BYTE gray = static_cast<BYTE>(
            static_cast<int>(0.587 * pixel.rgbGreen + 0.299 * pixel.rgbRed + 0.114 * pixel.rgbBlue));
        pixel.rgbRed = pixel.rgbGreen = pixel.rgbBlue = gray; // the alpha channel stays
    }

    void* bits = nullptr;
    CQBitmap gray(::CreateDIBSection(hScreen, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    ::ReleaseDC(nullptr, hScreen);
    if (!gray || !bits)
        return nullptr;
    std::copy(pixels.begin(), pixels.end(), static_cast<RGBQUAD*>(bits));
    ::GdiFlush();

    ICONINFO grayInfo = bitmaps.info;
    grayInfo.fIcon = TRUE;
    grayInfo.hbmColor = gray.Get();
    return ::CreateIconIndirect(&grayInfo); // copies the bitmaps
}

void CButtonST::DrawItem(const DRAWITEMSTRUCT* pDraw) const
{
    CQMemDC dc(pDraw->hDC);
    const BOOL pressed = (pDraw->itemState & ODS_SELECTED) != 0;
    const BOOL disabled = (pDraw->itemState & ODS_DISABLED) != 0;
    const RECT& item = pDraw->rcItem;

    const COLORREF background = pressed            ? ::GetSysColor(COLOR_BTNSHADOW)
                                : m_boolIsHovering ? ::GetSysColor(COLOR_3DDKSHADOW)
                                                   : m_crBackground;
    {
        CQBrush brush(::CreateSolidBrush(background));
        ::FillRect(dc, &item, brush.Get());
    }

    const int offset = pressed ? 1 : 0;
    if (m_icon)
    {
        HICON hIcon = disabled && m_iconGray ? m_iconGray.Get() : m_icon.Get();
        const int x = item.left + (item.right - item.left - m_intIconBitmapHeight) / 2 + offset;
        ::DrawIconEx(dc, x, kIconTop + offset, hIcon, 0, 0, 0, nullptr, DI_NORMAL);
    }

    const int length = ::GetWindowTextLengthW(pDraw->hwndItem);
    if (length <= 0)
        return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(pDraw->hwndItem, &text[0], length + 1)));

    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(pDraw->hwndItem, WM_GETFONT, 0, 0));
    HGDIOBJ hOldFont = hFont ? ::SelectObject(dc, hFont) : nullptr;
    ::SetTextColor(dc, m_crText);
    ::SetBkColor(dc, m_crBackground);
    ::SetBkMode(dc, TRANSPARENT);

    RECT box = item;
    ::OffsetRect(&box, offset, offset);
    if (m_icon)
        box.top = m_byteIconHeight - kTextAboveIconBottom;
    RECT measured = box;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
    ::OffsetRect(&measured, ((box.right - box.left) - (measured.right - measured.left)) / 2,
                 ((box.bottom - box.top) - (measured.bottom - measured.top)) / 2);
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()),
                 static_cast<WPARAM>(text.size()), measured.left, measured.top,
                 measured.right - measured.left, measured.bottom - measured.top,
                 DST_TEXT | (disabled ? DSS_DISABLED : DSS_NORMAL));

    if (hOldFont)
        ::SelectObject(dc, hOldFont);
}

void CButtonST::OnMouseMove(WPARAM flags, LPARAM position)
{
    if ((flags & MK_LBUTTON) && !m_boolIsHovering)
        return; // entered with the button held down
    if (::GetCapture() != m_hWnd)
    {
        const HWND hParent =
            ::GetWindow(m_hWnd, GW_OWNER) ? ::GetWindow(m_hWnd, GW_OWNER) : ::GetParent(m_hWnd);
        if (::GetActiveWindow() && hParent)
        {
            m_boolIsHovering = TRUE;
            ::SetCapture(m_hWnd);
            Invalidate();
        }
        return;
    }
    POINT pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::ClientToScreen(m_hWnd, &pt);
    if (::WindowFromPoint(pt) == m_hWnd)
        return;
    if (m_boolIsHovering)
    {
        m_boolIsHovering = FALSE;
        Invalidate();
    }
    if (!(flags & MK_LBUTTON))
        ::ReleaseCapture();
}

BOOL CButtonST::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message >= WM_KEYDOWN && message <= kLastKeyboardMessage)
    {
        // Keys go to the dialog, which handles them for all its buttons.
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
        ::PostMessageW(::GetParent(m_hWnd), message, wParam, lParam);
        result = 0;
        return TRUE;
    }
    switch (message)
    {
    case WM_MOUSEMOVE:
        result = Default(message, wParam, lParam);
        OnMouseMove(wParam, lParam);
        return TRUE;
    case WM_KILLFOCUS:
        result = Default(message, wParam, lParam);
        m_boolIsHovering = FALSE;
        Invalidate();
        return TRUE;
    case WM_CAPTURECHANGED:
        // The capture is already elsewhere when this arrives: release it only if it came back to us,
        // so another window's capture is never taken away.
        if (m_boolIsHovering && reinterpret_cast<HWND>(lParam) != m_hWnd)
        {
            if (::GetCapture() == m_hWnd)
                ::ReleaseCapture();
            Invalidate();
        }
        result = Default(message, wParam, lParam);
        return TRUE;
    case WM_ERASEBKGND:
        result = 0; // the drawing covers the background
        return TRUE;
    case WM_LBUTTONDBLCLK:
        result = Default(WM_LBUTTONDOWN, wParam, lParam);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CButtonST::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return FALSE;
    DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return TRUE;
}
