#include "ui/controls/Control.h"

#include "ui/controls/Reflect.h"

#include <commctrl.h>

#include <unordered_map>

namespace
{
// Bound wrappers by window, so that reflection can reach a control without sending it a message.
class CQControlMap
{
public:
    void Set(HWND hwnd, CQControl* control)
    {
        ::AcquireSRWLockExclusive(&m_lock);
        if (control != nullptr)
            m_map[hwnd] = control;
        else
            m_map.erase(hwnd);
        ::ReleaseSRWLockExclusive(&m_lock);
    }
    CQControl* Get(HWND hwnd)
    {
        ::AcquireSRWLockShared(&m_lock);
        auto found = m_map.find(hwnd);
        CQControl* control = found != m_map.end() ? found->second : nullptr;
        ::ReleaseSRWLockShared(&m_lock);
        return control;
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unordered_map<HWND, CQControl*> m_map;
};

CQControlMap& BoundControls()
{
    static CQControlMap map;
    return map;
}
} // namespace

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
    BoundControls().Set(hwnd, this);
    OnAttached();
    return TRUE;
}

void CQControl::Detach()
{
    if (!m_hWnd)
        return;
    OnDetaching();
    ::RemoveWindowSubclass(m_hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
    if (BoundControls().Get(m_hWnd) == this)
        BoundControls().Set(m_hWnd, nullptr);
    m_hWnd = nullptr;
}

void CQControl::Invalidate(BOOL erase) const
{
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, erase);
}

CQControl* CQControl::FromHandle(HWND hwnd)
{
    return hwnd != nullptr ? BoundControls().Get(hwnd) : nullptr;
}

BOOL CQControl::AnswerReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // As through QM_REFLECT: no exception leaves, and a handler that throws has not handled the message.
    try
    {
        LRESULT answer = 0;
        if (!OnReflectedMessage(message, wParam, lParam, answer))
            return FALSE;
        result = answer;
        return TRUE;
    }
    catch (...)
    {
        return FALSE;
    }
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
