// Reading and writing of the collected data's objects. Placeholders: the saved data file implements these
// bodies; until then nothing is stored and every call reports failure.
#include "data/Object.h"
#include "data/Process.h"
#include "data/TreeItem.h"

BOOL CQObject::Save(CQFile&)
{
    return 0;
}

BOOL CQObject::Load(CQFile&)
{
    return 0;
}

BOOL CQObject::SaveTwoStrings(CQFile&)
{
    return 0;
}

BOOL CQObject::LoadTwoStrings(CQFile&)
{
    return 0;
}

BOOL CQTreeItem::Save(CQFile&)
{
    return 0;
}

BOOL CQTreeItem::Load(CQFile&)
{
    return 0;
}

BOOL CQProcess::Load(CQFile&)
{
    return 0;
}
