#include "ui/dialogs/DrivesListCtrl.h"

#include "engine/DriveItem.h"
#include "resources/resource.h"
#include "ui/controls/GdiObject.h"
#include "ui/controls/ImageListHandle.h"

#include <climits>
#include <string>

BOOL CQDrivesListCtrl::SetupImages()
{
    if (!m_hWnd)
        return FALSE;
    CQBitmap strip(static_cast<HBITMAP>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_DRIVES), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip)
        return FALSE;
    // The pictures fill the strip's top rows; the image list takes kPictureHeight of them.
    CQImageListHandle images(::ImageList_Create(kPictureWidth, kPictureHeight, ILC_COLOR24 | ILC_MASK, 2, 0));
    if (!images || ::ImageList_AddMasked(images.Get(), strip.Get(), RGB(255, 0, 255)) < 0)
        return FALSE;
    m_hImages = images.Get();
    ::SendMessageW(m_hWnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.Release()));
    return TRUE;
}

BOOL CQDrivesListCtrl::IsRowSelected(int index) const
{
    return (::SendMessageW(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

void CQDrivesListCtrl::DrawRow(HDC hdc, int index) const
{
    if (!m_hWnd || !hdc)
        return;
    const BOOL selected = IsRowSelected(index);
    const CQDriveItem* drive = reinterpret_cast<const CQDriveItem*>(GetItemData(index));

    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    RECT icon = {LVIR_ICON, 0, 0, 0};
    RECT label = {LVIR_LABEL, 0, 0, 0};
    if (!::SendMessageW(m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&bounds)))
        return;
    ::SendMessageW(m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&icon));
    ::SendMessageW(m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&label));

    CQBrush background(::CreateSolidBrush(selected ? kSelectedBackgroundColor : kBackgroundColor));
    ::FillRect(hdc, &bounds, background.Get());
    const int oldMode = ::SetBkMode(hdc, TRANSPARENT);

    if (m_hImages)
        ::ImageList_Draw(m_hImages, selected ? 1 : 0, hdc, icon.left, icon.top, ILD_TRANSPARENT);

    if (drive)
    {
        const std::wstring text = drive->m_csLetter + L"\n" + drive->m_csVolumeName;
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = font ? ::SelectObject(hdc, font) : nullptr;
        const COLORREF oldColor = ::SetTextColor(hdc, selected ? kSelectedTextColor : kTextColor);
        ::OffsetRect(&label, kTextOffsetX, kTextOffsetY);
        ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &label, DT_LEFT | DT_NOPREFIX);
        ::SetTextColor(hdc, oldColor);
        if (oldFont)
            ::SelectObject(hdc, oldFont);
    }
    ::SetBkMode(hdc, oldMode);
}

int CQDrivesListCtrl::CompareRows(LPARAM first, LPARAM second) const
{
    const CQDriveItem* a = reinterpret_cast<const CQDriveItem*>(first);
    const CQDriveItem* b = reinterpret_cast<const CQDriveItem*>(second);
    const int ia = a ? a->m_intListIndex : INT_MAX;
    const int ib = b ? b->m_intListIndex : INT_MAX;
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

BOOL CQDrivesListCtrl::OnNotify(NMHDR* pHeader, LRESULT& result)
{
    switch (pHeader->code)
    {
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(reinterpret_cast<const NMLVCUSTOMDRAW*>(pHeader));
        return TRUE;
    case NM_CLICK:
        OnClick(reinterpret_cast<const NMITEMACTIVATE*>(pHeader));
        result = 0;
        return TRUE;
    default:
        return CQListCtrl::OnNotify(pHeader, result);
    }
}

void CQDrivesListCtrl::OnGetDispInfo(NMLVDISPINFOW* pInfo)
{
    LVITEMW& item = pInfo->item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
        item.pszText[0] = L'\0';
    if (item.mask & LVIF_IMAGE)
        item.iImage = IsRowSelected(item.iItem) ? 1 : 0;
}

LRESULT CQDrivesListCtrl::OnCustomDraw(const NMLVCUSTOMDRAW* pDraw) const
{
    switch (pDraw->nmcd.dwDrawStage)
    {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        DrawRow(pDraw->nmcd.hdc, static_cast<int>(pDraw->nmcd.dwItemSpec));
        return CDRF_SKIPDEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

void CQDrivesListCtrl::OnClick(const NMITEMACTIVATE* pActivate)
{
    if (pActivate->iItem < 0)
        return;
    // Ctrl and Shift clicks keep the list view's own multiple selection, so Ctrl can also remove a row.
    const BOOL withKeys = (pActivate->uKeyFlags & (LVKF_CONTROL | LVKF_SHIFT)) != 0 ||
                          ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_SHIFT) < 0;
    if (withKeys)
        return;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(pActivate->iItem),
                   reinterpret_cast<LPARAM>(&state));
    ::SendMessageW(m_hWnd, LVM_SETSELECTIONMARK, 0, pActivate->iItem);
}
