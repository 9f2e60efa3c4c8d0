// Case-insensitive comparison of item names with the rule of _wcsicmp in the default locale: each UTF-16
// unit is lowered with towlower and the results compared unit by unit. Two names are equal exactly when
// their folded forms are, which lets a hash of the folded form stand in for a scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwctype>

class CQItemName;

// towlower for one unit; the ASCII letters are folded here without a call into the runtime library.
inline wchar_t FoldNameChar(wchar_t c)
{
    if (c < 0x80)
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    return static_cast<wchar_t>(towlower(c));
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
