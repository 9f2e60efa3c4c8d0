#include "data/Object.h"

// Save, Load, SaveTwoStrings and LoadTwoStrings live with the saved data file (data/ObjectStorage.cpp).

CQObject::~CQObject() = default;

DWORD CQObject::GetType() const
{
    return 0;
}

DWORD CQObject::GetVersion() const
{
    return 0;
}

void CQObject::SetVersion(DWORD) {}

DWORD CQObject::GetNameMaxLength() const
{
    return 0;
}

DWORD CQObject::GetTextMaxLength() const
{
    return 0;
}
