// CQResizeDialog: a CQDialog that can be resized. It cannot be made smaller than it opened, and every
// size change (not a minimise) runs the derived dialog's RepositionControls inside one deferred
// window-position batch, where OffsetControl moves and sizes the controls.
#pragma once

#include <initializer_list>

#include "ui/controls/Dialog.h"

class CQResizeDialog : public CQDialog
{
public:
    using CQDialog::CQDialog;

protected:
    // Base initialisation, then resizing on, the window rectangle recorded as the last layout and the
    // minimum tracking size, then RepositionControls once.
    BOOL OnInitDialog() override;
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The layout hook: move the controls with OffsetControl, comparing the window rectangle with
    // GetLastLayoutRect and refreshing it with SetLastLayoutRect.
    virtual void RepositionControls();

    // Moves the control by (dx, dy) and grows it by (dw, dh), in client coordinates, keeping its Z order;
    // part of the current batch, or at once when no batch is open.
    void OffsetControl(int id, int dx, int dy, int dw, int dh);

    // How much the window grew (or shrank) since the last layout, which it then becomes.
    void TakeSizeChange(int& dx, int& dy);
    // Static controls repaint only what a resize uncovered, so their texts would show twice: they are
    // repainted whole.
    void RepaintWhole(std::initializer_list<int> ids);

    const RECT& GetLastLayoutRect() const { return m_rectLastLayout; }
    void SetLastLayoutRect(const RECT& rect) { m_rectLastLayout = rect; }
    int GetMinTrackHeight() const { return m_intMinTrackHeight; }

    HDWP m_hDeferWindowPos = nullptr;

private:
    static constexpr int kDeferredWindows = 50;
};
