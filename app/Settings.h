// The base of a settings section: a named group of values in the settings store.
#pragma once

#include <string>

class CQSettings
{
public:
    explicit CQSettings(const wchar_t* section) : m_csSection(section ? section : L"") {}
    virtual ~CQSettings() = default;
    CQSettings(const CQSettings&) = delete;
    CQSettings& operator=(const CQSettings&) = delete;

    // Write the section to the store; 1 on completion.
    virtual int Save() = 0;
    // Read the section from the store.
    virtual int Load() = 0;

    const std::wstring& GetSectionName() const { return m_csSection; }

protected:
    std::wstring m_csSection;
};
