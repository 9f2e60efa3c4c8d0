// Base of the objects of the collected data that are stored in the saved data file.
#pragma once

#include <windows.h>

#include "data/ItemName.h"

// A tree can hold millions of objects, so the name is no std::wstring but a compact CQItemName (one pointer
// into the tree's arena). Read it with str()/length() (and c_str(), see its header).
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
};
