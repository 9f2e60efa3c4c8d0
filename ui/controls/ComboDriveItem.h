// One row of the SSD capacity list: the label shown and the capacity it stands for. The statistics code
// creates the rows; the combo box holds pointers to them in its item data.
#pragma once

#include <cstdint>
#include <string>

class CComboDriveItem
{
public:
    std::wstring m_csName;
    uint64_t m_qwordCapacity = 0;
};
