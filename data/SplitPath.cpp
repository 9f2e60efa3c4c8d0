#include "data/SplitPath.h"

int SplitPath(const std::wstring& path, std::vector<std::wstring_view>& parts)
{
    const wchar_t* text = path.data();
    const size_t length = path.size();
    // One reservation for the most components the path can have, instead of growing step by step.
    size_t separators = 0;
    for (size_t i = 0; i < length; ++i)
        separators += text[i] == L'\\';
    parts.reserve(parts.size() + separators + 1);
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i)
    {
        if (i < length && text[i] != L'\\')
            continue;
        if (i > start)
            parts.emplace_back(text + start, i - start);
        start = i + 1;
    }
    return static_cast<int>(parts.size());
}

std::wstring_view LastComponent(std::wstring_view path)
{
    size_t end = path.size();
    while (end > 0 && path[end - 1] == L'\\')
        --end;
    size_t start = end;
    while (start > 0 && path[start - 1] != L'\\')
        --start;
    return path.substr(start, end - start);
}
