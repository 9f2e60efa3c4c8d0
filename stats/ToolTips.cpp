#include "stats/ToolTips.h"

namespace
{
struct ToolTipEntry
{
    unsigned valueId;
    unsigned labelId;
    const wchar_t* text;
};

const ToolTipEntry kToolTips[] = {
    {1021, 1064, L"Amount of written data by system to selected drives"},
    {1022, 1065, L"Amount of written data aligned to 4096 bytes (the minimum possible for SSD)"},
    {1023, 1066, L"Amount of read data by system from selected drives"},
    {1024, 1069, L"Written data divided by read data"},
    {1025, 1070, L"Total number of write operations"},
    {1026, 1071, L"Total number of unique files that had some writes"},
    {1027, 1072,
     L"The time that Tavrello monitors the drives (should be at least 8-12 hours for valid data)"},
    {1028, 1067, L"Amount of written data by system to selected drives per day"},
    {1029, 1068, L"Amount of written data aligned to 4096 bytes (the minimum possible for SSD) per day"},
    {1053, 1073, L"SSD life based on aligned writes per day, selected size and average life of TLC drive"},
    {1074, 1076, L"Size of your SSD (current or planned) - SSD life depends on it"},
};
} // namespace

const wchar_t* GetFigureToolTip(unsigned controlId)
{
    for (const ToolTipEntry& e : kToolTips)
    {
        if (e.valueId == controlId || e.labelId == controlId)
            return e.text;
    }
    return nullptr;
}
