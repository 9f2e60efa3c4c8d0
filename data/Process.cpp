#include "data/Process.h"

#include "stats/Format.h"

// The saved data file reads m_qwordWritten and m_dwordIndex with one 12-byte read.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(offsetof(CQProcess, m_dwordIndex) == offsetof(CQProcess, m_qwordWritten) + 8,
              "m_dwordIndex follows m_qwordWritten directly");
static_assert(offsetof(CQProcess, m_qwordWritten) < offsetof(CQProcess, m_csWrittenText),
              "fields in declaration order");
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

BOOL CQProcess::GetDispInfo(LVITEMW* item)
{
    if ((item->mask & LVIF_TEXT) == 0)
        return 1;
    if (item->iSubItem == 0)
    {
        item->pszText = &m_csProcessName[0];
    }
    else if (item->iSubItem == 1)
    {
        FormatSize(m_qwordWritten, m_csWrittenText);
        item->pszText = &m_csWrittenText[0];
    }
    return 1;
}

int CompareProcessRows(const CQProcess* a, const CQProcess* b)
{
    if (a->m_qwordWritten > b->m_qwordWritten)
        return -1;
    if (a->m_qwordWritten < b->m_qwordWritten)
        return 1;
    return 0;
}

int CALLBACK CompareProcessRowsCallback(LPARAM first, LPARAM second, LPARAM)
{
    return CompareProcessRows(reinterpret_cast<const CQProcess*>(first),
                              reinterpret_cast<const CQProcess*>(second));
}
