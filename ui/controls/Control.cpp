#include "ui/controls/Control.h"

#include "ui/controls/Reflect.h"

#include <commctrl.h>

CQControl::~CQControl()
{
    Detach();
}

BOOL CQControl::Attach(HWND hDlg, int id)
{
    HWND hwnd = hDlg ? ::GetDlgItem(hDlg, id) : nullptr;
    return hwnd ? SubclassWindow(hwnd) : FALSE;
}

BOOL CQControl::SubclassWindow(HWND hwnd)
{
    if (!hwnd)
        return FALSE;
    Detach();
    if (!::SetWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this),
                             reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hWnd = hwnd;
    OnAttached();
    return TRUE;
}

void CQControl::Detach()
{
    if (!m_hWnd)
        return;
    ::RemoveWindowSubclass(m_hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
    m_hWnd = nullptr;
}

void CQControl::Invalidate(BOOL erase) const
{
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, erase);
}

BOOL CQControl::WindowProc(UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}

BOOL CQControl::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}

LRESULT CQControl::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CQControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR refData)
{
    CQControl* self = reinterpret_cast<CQControl*>(refData);
    // No exception may cross the system's window procedure frames.
    try
    {
        if (message == QM_REFLECT)
        {
            CQReflectedMessage* reflected = reinterpret_cast<CQReflectedMessage*>(lParam);
            if (reflected)
                reflected->handled = self->OnReflectedMessage(reflected->message, reflected->wParam,
                                                              reflected->lParam, reflected->result);
            return reflected ? reflected->handled : 0;
        }
        LRESULT result = 0;
        BOOL handled = self->WindowProc(message, wParam, lParam, result);
        if (message == WM_NCDESTROY)
            self->Detach();
        if (handled)
            return result;
    }
    catch (...)
    {
        if (message == WM_NCDESTROY)
            self->Detach();
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}
