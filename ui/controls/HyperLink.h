// CHyperLink: a static text that acts as a web link: link or visited colour, underlined, fitted to its
// text, with the owner's cursor; a click opens the URL with the shell.
#pragma once

#include "ui/controls/Control.h"
#include "ui/controls/GdiObject.h"

#include <string>

class CHyperLink : public CQControl
{
public:
    CHyperLink();

    // Stores the URL and fits the window to its text again.
    void SetURL(const wchar_t* url);
    const std::wstring& GetURL() const { return m_csURL; }
    // The cursor shown over the link; not owned (a shared resource cursor).
    void SetLinkCursor(HCURSOR hCursor) { m_hLinkCursor = hCursor; }
    HCURSOR GetLinkCursor() const { return m_hLinkCursor; }
    BOOL IsVisited() const { return m_boolVisited; }
    void SetVisited(BOOL visited);
    COLORREF GetLinkColor() const { return m_crLinkColour; }
    COLORREF GetVisitedColor() const { return m_crVisitedColour; }
    HFONT GetUnderlineFont() const { return m_fontUnderline.Get(); }

    // Opens the URL: visited when the shell could open it, else not visited and a warning beep.
    void FollowLink();

    // The shell call and the beep, replaceable so that tests need not open a browser.
    static HINSTANCE(WINAPI* s_pfnShellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    static BOOL(WINAPI* s_pfnMessageBeep)(UINT);

protected:
    void OnAttached() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Shrinks or grows the window to its text, by the SS_CENTERIMAGE / SS_CENTER / SS_RIGHT rules.
    void PositionWindow();
    HFONT UnderlineFont();

    std::wstring m_csURL;
    COLORREF m_crLinkColour;
    COLORREF m_crVisitedColour;
    BOOL m_boolVisited = FALSE;
    BOOL m_boolUnderline = TRUE;
    BOOL m_boolAdjustToFit = TRUE;
    CQFont m_fontUnderline;
    HCURSOR m_hLinkCursor = nullptr;
};
