// Base of the objects of the collected data that are stored in the saved data file.
#pragma once

#include <windows.h>

#include "data/ItemLabel.h"
#include "data/ItemName.h"

// A tree can hold millions of objects, so neither string is a std::wstring: the name is a compact
// CQItemName (one pointer into the tree's arena), the label a slot of the shared label store (32 bits,
// nothing while unset). Read them with str()/length() (and c_str(), see their headers).
class CQObject
{
public:
    CQObject() = default;
    CQObject(const CQObject&) = delete;
    CQObject& operator=(const CQObject&) = delete;

    virtual ~CQObject();
    virtual DWORD GetType() const;
    virtual DWORD GetVersion() const;
    virtual void SetVersion(DWORD version);
    // 0 means no limit.
    virtual DWORD GetNameMaxLength() const;

    CQItemName m_csName;
    CQItemLabel m_csDisplayText;
};
