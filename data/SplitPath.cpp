#include "data/SplitPath.h"

int SplitPath(const std::wstring& path, std::vector<std::wstring>& parts)
{
    const size_t length = path.size();
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i)
    {
        if (i < length && path[i] != L'\\')
            continue;
        if (i > start)
            parts.emplace_back(path, start, i - start);
        start = i + 1;
    }
    return static_cast<int>(parts.size());
}
