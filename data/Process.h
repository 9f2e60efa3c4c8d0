// A process that wrote: in the monitor's array, its total; in a processes-dialog row, its bytes for one item.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/ProcessLink.h"

class CQTreeReader;

class CQProcess
{
public:
    // Reads one process record of the saved data file (data/ObjectStorage.cpp).
    BOOL Load(CQTreeReader& reader);

    // Text of the list's two columns: 0 the name, 1 the bytes as a size. Returns 1.
    BOOL GetDispInfo(LVITEMW* item);

    std::wstring m_csProcessName;
    // m_qwordWritten and m_dwordIndex are moved as one 12-byte block by the saved data file.
    uint64_t m_qwordWritten = 0;
    uint32_t m_dwordIndex = 0;
    std::wstring m_csWrittenText;
    int32_t m_intListIndex = -1;
};

// Row order of the processes list: -1 when a wrote more bytes than b, 1 when fewer, 0 when the same.
int CompareProcessRows(const CQProcess* a, const CQProcess* b);

// The same order as a list-view sort callback; the item parameters are CQProcess pointers.
int CALLBACK CompareProcessRowsCallback(LPARAM first, LPARAM second, LPARAM sortParam);
