// Base of the program's control wrappers: binds a C++ object to a control of a dialog by subclassing
// (SetWindowSubclass), so the control's creation, id and style still come from the dialog template.
#pragma once

#include <windows.h>

class CQControl
{
public:
    CQControl() = default;
    virtual ~CQControl();

    CQControl(const CQControl&) = delete;
    CQControl& operator=(const CQControl&) = delete;

    // Subclasses the control `id` of the dialog `hDlg`; false when there is no such control.
    BOOL Attach(HWND hDlg, int id);
    BOOL SubclassDlgItem(int id, HWND hDlg) { return Attach(hDlg, id); }
    BOOL SubclassWindow(HWND hwnd);
    // Removes the subclass; the window keeps running with its own class procedure.
    void Detach();

    HWND GetHwnd() const { return m_hWnd; }
    // The wrapper bound to hwnd, or null.
    static CQControl* FromHandle(HWND hwnd);
    // Answers a reflected message as QM_REFLECT would, called directly by the parent's thread (the
    // control's own); true when handled, with the result.
    BOOL AnswerReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    int GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }
    void Invalidate(BOOL erase = TRUE) const;

protected:
    // Called right after the window was subclassed, and right before the subclass is removed (not from
    // the base destructor: a derived wrapper that needs it there calls Detach in its own destructor).
    virtual void OnAttached() {}
    virtual void OnDetaching() {}
    // Messages sent to the control; return true when handled, with `result` set.
    virtual BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Messages the parent dialog reflects to the control (see Reflect.h).
    virtual BOOL OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The control's own handling of a message; only valid inside WindowProc or OnReflectedMessage.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR idSubclass, DWORD_PTR refData);
};
