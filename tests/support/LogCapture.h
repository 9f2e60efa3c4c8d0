// Makes a fresh log the program log for the lifetime of the object, so tests can read what was logged.
#pragma once

#include <string>
#include <vector>

#include "app/Log.h"

class LogCapture
{
public:
    LogCapture() : m_previous(GetProgramLog()) { SetProgramLog(&m_log); }
    ~LogCapture() { SetProgramLog(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    CQLog& Log() { return m_log; }
    std::vector<std::wstring> Lines() const { return m_log.GetLines(); }

private:
    CQLog m_log;
    CQLog* m_previous;
};
