// CButtonST: a flat owner-drawn push button with an optional icon above its text, a hover highlight
// while the program has an active window, and a grey copy of the icon for the disabled state.
#pragma once

#include "ui/controls/Control.h"
#include "ui/controls/IconHandle.h"

class CButtonST : public CQControl
{
public:
    CButtonST();

    // Loads the icon resource at its own size and shows it; the grey copy is made at once.
    BOOL SetIcon(UINT resourceId);
    // The same with an icon made elsewhere; the button takes ownership of it.
    BOOL SetIcon(HICON hIcon);

    HICON GetIcon() const { return m_icon.Get(); }
    HICON GetGrayIcon() const { return m_iconGray.Get(); }
    BOOL IsHovering() const { return m_boolIsHovering; }

    void DrawItem(const DRAWITEMSTRUCT* pDraw) const;

    // The grey copy of an icon: every pixel of its colour bitmap becomes
    // gray = (int)(0.587 G + 0.299 R + 0.114 B); the icon's own mask is kept. Null on failure.
    static HICON CreateGrayscaleIcon(HICON hIcon);

protected:
    void OnAttached() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnMouseMove(WPARAM flags, LPARAM position);

    BOOL m_boolIsHovering = FALSE;
    CQIconHandle m_icon;
    CQIconHandle m_iconGray;
    int m_intIconBitmapWidth = 0;
    int m_intIconBitmapHeight = 0;
    int m_intIconBitsPerPixel = 0;
    BYTE m_byteIconWidth = 0; // twice the hot spot, kept in 8 bits
    BYTE m_byteIconHeight = 0;
    COLORREF m_crBackground;
    COLORREF m_crText;
};
