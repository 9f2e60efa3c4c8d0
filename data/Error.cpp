#include "data/Error.h"

#include <algorithm>

#include "app/Log.h"

CQError::CQError(const wchar_t* stepName) : m_dwordErrorCode(GetLastError())
{
    std::wstring text = SystemText(m_dwordErrorCode);
    m_csMessage = stepName ? std::wstring(stepName) + L" :: " + text : text;
    LogLine(m_csMessage);
}

CQError::~CQError()
{
    SetLastError(m_dwordErrorCode);
}

std::wstring CQError::SystemText(DWORD code)
{
    wchar_t buffer[1024];
    buffer[0] = 0;
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0x400,
                        buffer, 1023, nullptr))
        buffer[0] = 0;
    buffer[1023] = 0;
    std::wstring text(buffer);
    RemoveLineBreaks(text);
    return text;
}

void CQError::RemoveLineBreaks(std::wstring& text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
               text.end());
}

CQFileError::CQFileError(const wchar_t* path) : CQError(nullptr)
{
    // The base logged the bare system text, which is the whole message so far.
    std::wstring text = m_csMessage;
    m_csMessage =
        L"Operation with file '" + std::wstring(path ? path : L"Unnamed") + L"' has failed, because: " + text;
    LogLine(m_csMessage);
}
