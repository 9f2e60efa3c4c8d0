// CTavrelloDlg: the SSD capacity box, its default choice and the life budget it sets.
#include "ui/main/TavrelloDlg.h"

#include "app/AppContext.h"
#include "resources/resource.h"
#include "stats/CapacityList.h"

void CTavrelloDlg::FillCapacityList()
{
    HWND hCombo = m_comboCapacity.GetHwnd();
    for (int i = 0; i < kCapacityCount; ++i)
    {
        CComboDriveItem* entry = new CComboDriveItem;
        entry->m_csName = g_capacityList[i].name;
        entry->m_qwordCapacity = CapacityBytes(i);
        m_arrCapacityEntries.Add(entry);
        // The row draws the name of its entry; its own text is a blank.
        const LRESULT row = ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L" "));
        if (row != CB_ERR && row != CB_ERRSPACE)
            ::SendMessageW(hCombo, CB_SETITEMDATA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(entry));
    }
    ::SendMessageW(hCombo, CB_SETCURSEL, 0, 0);
}

void CTavrelloDlg::ChooseDefaultCapacity()
{
    CQAppContext& context = *g_pAppContext;
    const CQPtrAutoArray<CQDriveItem>& drives = context.m_monitor.m_arrDrives;
    // The drive list is complete and only this thread changes it.
    const bool haveDrive = drives.GetSize() > 0;
    const uint64_t firstDriveSize = haveDrive ? drives.GetAt(0)->m_qwordSize : 0;
    const int row =
        SelectCapacityRow(context.m_settingsInterface.m_intSelectedDiskSize, haveDrive, firstDriveSize);
    ::SendMessageW(m_comboCapacity.GetHwnd(), CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    m_qwordLifeBudget = LifeBudgetBytes(row);
}

void CTavrelloDlg::OnCapacityChanged()
{
    const LRESULT row = ::SendMessageW(m_comboCapacity.GetHwnd(), CB_GETCURSEL, 0, 0);
    if (row < 0 || row >= m_arrCapacityEntries.GetSize())
        return;
    g_pAppContext->m_settingsInterface.m_intSelectedDiskSize = static_cast<int>(row);
    // The figure itself changes at the next refresh.
    m_qwordLifeBudget =
        m_arrCapacityEntries.GetAt(static_cast<int>(row))->m_qwordCapacity * kLifeBudgetFactor;
}
