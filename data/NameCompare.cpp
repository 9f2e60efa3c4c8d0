#include "data/NameCompare.h"

#include "data/ItemName.h"

namespace
{
// FNV-1a over the folded units, with a final mix so that the low bits used as a table index spread well.
class NameHash
{
public:
    void Add(wchar_t unit)
    {
        m_qwordHash ^= static_cast<uint16_t>(FoldNameChar(unit));
        m_qwordHash *= 0x100000001b3ULL;
    }
    uint32_t Finish() const
    {
        uint64_t hash = m_qwordHash;
        hash ^= hash >> 33;
        hash *= 0xff51afd7ed558ccdULL;
        hash ^= hash >> 33;
        const uint32_t folded = static_cast<uint32_t>(hash);
        // 0 is kept free to mean "not computed yet".
        return folded != 0 ? folded : 1;
    }

private:
    uint64_t m_qwordHash = 0xcbf29ce484222325ULL;
};

bool UnitsEqualNoCase(wchar_t a, wchar_t b)
{
    return a == b || FoldNameChar(a) == FoldNameChar(b);
}
} // namespace

bool NamesEqualNoCase(const wchar_t* a, size_t lengthA, const wchar_t* b, size_t lengthB)
{
    // Folding is unit by unit, so names of different lengths never match.
    if (lengthA != lengthB)
        return false;
    for (size_t i = 0; i < lengthA; ++i)
    {
        if (!UnitsEqualNoCase(a[i], b[i]))
            return false;
    }
    return true;
}

bool NamesEqualNoCase(const CQItemName& a, const wchar_t* b, size_t lengthB)
{
    const size_t length = a.length();
    if (length != lengthB)
        return false;
    if (length == 0)
        return true;
    if (!a.IsNarrow())
        return NamesEqualNoCase(a.WideData(), length, b, lengthB);
    const uint8_t* units = a.NarrowData();
    for (size_t i = 0; i < length; ++i)
    {
        if (!UnitsEqualNoCase(static_cast<wchar_t>(units[i]), b[i]))
            return false;
    }
    return true;
}

bool NamesEqualNoCase(const CQItemName& a, const CQItemName& b)
{
    const size_t length = a.length();
    if (length != b.length())
        return false;
    for (size_t i = 0; i < length; ++i)
    {
        if (!UnitsEqualNoCase(a[i], b[i]))
            return false;
    }
    return true;
}

uint32_t HashNameNoCase(const wchar_t* name, size_t length)
{
    NameHash hash;
    for (size_t i = 0; i < length; ++i)
        hash.Add(name[i]);
    return hash.Finish();
}

uint32_t HashNameNoCase(const CQItemName& name)
{
    const size_t length = name.length();
    if (length != 0 && !name.IsNarrow())
        return HashNameNoCase(name.WideData(), length);
    NameHash hash;
    const uint8_t* units = length != 0 ? name.NarrowData() : nullptr;
    for (size_t i = 0; i < length; ++i)
        hash.Add(static_cast<wchar_t>(units[i]));
    return hash.Finish();
}

int CompareNamesNoCase(const CQItemName& a, const CQItemName& b)
{
    const size_t lengthA = a.length();
    const size_t lengthB = b.length();
    for (size_t i = 0;; ++i)
    {
        const int unitA = i < lengthA ? FoldNameChar(a[i]) : 0;
        const int unitB = i < lengthB ? FoldNameChar(b[i]) : 0;
        if (unitA == 0 || unitA != unitB)
            return unitA - unitB;
    }
}
