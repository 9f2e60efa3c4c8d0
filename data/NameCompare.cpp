#include "data/NameCompare.h"

bool NamesEqualNoCase(const wchar_t* a, size_t lengthA, const wchar_t* b, size_t lengthB)
{
    // Folding is unit by unit, so names of different lengths never match.
    if (lengthA != lengthB)
        return false;
    for (size_t i = 0; i < lengthA; ++i)
    {
        if (a[i] != b[i] && FoldNameChar(a[i]) != FoldNameChar(b[i]))
            return false;
    }
    return true;
}

uint32_t HashNameNoCase(const wchar_t* name, size_t length)
{
    // FNV-1a over the folded units, with a final mix so that the low bits used as a table index spread well.
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (size_t i = 0; i < length; ++i)
    {
        hash ^= static_cast<uint16_t>(FoldNameChar(name[i]));
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    const uint32_t folded = static_cast<uint32_t>(hash);
    // 0 is kept free to mean "not computed yet".
    return folded != 0 ? folded : 1;
}
