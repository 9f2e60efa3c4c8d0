// Base of the objects of the collected data that are stored in the saved data file.
#pragma once

#include <windows.h>

#include "data/ItemLabel.h"
#include "data/ItemName.h"

class CQFile;

// A tree can hold millions of objects, so neither string is a std::wstring: the name is a compact
// CQItemName (one pointer), the label a slot of the shared label store (32 bits, nothing while unset). Read
// them with str()/length() (and c_str(), see their headers); assign a std::wstring or a wchar_t pointer.
class CQObject
{
public:
    CQObject() = default;
    CQObject(const CQObject&) = delete;
    CQObject& operator=(const CQObject&) = delete;

    virtual ~CQObject();
    virtual BOOL Save(CQFile& file);
    virtual BOOL Load(CQFile& file);
    virtual BOOL SaveTwoStrings(CQFile& file);
    virtual BOOL LoadTwoStrings(CQFile& file);
    virtual DWORD GetType() const;
    virtual DWORD GetVersion() const;
    virtual void SetVersion(DWORD version);
    // 0 means no limit.
    virtual DWORD GetNameMaxLength() const;
    virtual DWORD GetTextMaxLength() const;

    CQItemName m_csName;
    CQItemLabel m_csDisplayText;
};
