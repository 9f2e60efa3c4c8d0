// Failure reports: the thread's last system error turned into text and written to the program log.
#pragma once

#include <windows.h>

#include <string>

// Constructed right after a failed system call. Logs "<step> :: <system text>" (or the text alone) and,
// when destroyed, sets the thread's last error back to the captured code.
class CQError
{
public:
    explicit CQError(const wchar_t* stepName = nullptr);
    virtual ~CQError();
    CQError(const CQError&) = delete;
    CQError& operator=(const CQError&) = delete;

    // The text that was logged last by this object.
    const std::wstring& GetMessageText() const { return m_csMessage; }
    DWORD GetErrorCode() const { return m_dwordErrorCode; }

    // The system's text for a code, without any carriage return or line feed; empty when unknown.
    static std::wstring SystemText(DWORD code);
    static void RemoveLineBreaks(std::wstring& text);

protected:
    std::wstring m_csMessage;
    DWORD m_dwordErrorCode;
};

// A file failure: logs the bare system text, then "Operation with file '<path>' has failed, because:
// <text>", with "Unnamed" when there is no path.
class CQFileError : public CQError
{
public:
    explicit CQFileError(const wchar_t* path = nullptr);
};
