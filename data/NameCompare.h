// Case-insensitive comparison of item names with the rule of _wcsicmp in the "C" locale, the one the program
// runs in (it never sets another): the 26 ASCII capitals fold to their small letters, every other UTF-16 unit
// stands for itself, and the folded units are compared one by one. Two names are equal exactly when their
// folded forms are, which lets a hash of the folded form stand in for a scan.
#pragma once

#include <cstddef>
#include <cstdint>

class CQItemName;

// The fold of one unit. Written out instead of asking towlower, which follows the process-wide locale: a
// locale set later (by any code in the process) would change the hashes of names already in the tree and
// make their items unfindable.
inline wchar_t FoldNameChar(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// True when _wcsicmp would call the two names equal.
bool NamesEqualNoCase(const wchar_t* a, size_t lengthA, const wchar_t* b, size_t lengthB);
bool NamesEqualNoCase(const CQItemName& a, const wchar_t* b, size_t lengthB);
bool NamesEqualNoCase(const CQItemName& a, const CQItemName& b);

// Hash of the folded name, never 0; names equal under NamesEqualNoCase hash equally, whichever form holds
// them.
uint32_t HashNameNoCase(const wchar_t* name, size_t length);
uint32_t HashNameNoCase(const CQItemName& name);

// The order of _wcsicmp (negative, 0, positive), which stops at the first zero unit as _wcsicmp does.
int CompareNamesNoCase(const CQItemName& a, const CQItemName& b);
