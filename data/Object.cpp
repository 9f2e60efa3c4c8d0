#include "data/Object.h"

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
