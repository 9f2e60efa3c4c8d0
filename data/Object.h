// Base of the objects of the collected data that are stored in the saved data file.
#pragma once

#include <windows.h>

#include "data/CompactString.h"

class CQFile;

// m_csName and m_csDisplayText are CQCompactString rather than std::wstring: a tree can hold millions of
// items, and the compact form is one pointer per string with no heap block while empty. Read them with
// c_str()/length()/str(); assign a std::wstring or a wchar_t pointer directly.
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

    CQCompactString m_csName;
    CQCompactString m_csDisplayText;
};
