#include "engine/SavedDataFiles.h"

#include <new>

#include "app/Log.h"
#include "data/SafeReplace.h"

const wchar_t kUnreadSuffix[] = L".unread";
const wchar_t kDamagedSuffix[] = L".damaged";
const wchar_t kTornSuffix[] = L".torn";

std::vector<std::wstring> DataTemporaryNames(const std::wstring& dataFile)
{
    std::vector<std::wstring> names;
    names.push_back(SafeReplaceTemporaryPath(dataFile));
    for (int number = 2; number <= kDataTemporaryNames; ++number)
        names.push_back(names.front() + std::to_wstring(number));
    return names;
}

void LogNoMemoryForSave()
{
    try
    {
        LogLine(
            L"Not enough memory to save the collected data; this save failed, the saved file is as it was.");
    }
    catch (const std::bad_alloc&)
    {
    }
}
