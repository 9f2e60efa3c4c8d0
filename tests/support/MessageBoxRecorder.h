// Answers the program's message boxes for the lifetime of the object instead of showing them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/MessageBoxHook.h"

class MessageBoxRecorder
{
public:
    struct Shown
    {
        std::wstring text;
        std::wstring caption;
        UINT type;
    };

    explicit MessageBoxRecorder(int answer = IDOK) : m_answer(answer)
    {
        m_previous = SetMessageBoxHook(
            [this](HWND, const wchar_t* text, const wchar_t* caption, UINT type)
            {
                m_shown.push_back({text ? text : L"", caption ? caption : L"", type});
                return m_answer;
            });
    }
    ~MessageBoxRecorder() { SetMessageBoxHook(m_previous); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void SetAnswer(int answer) { m_answer = answer; }
    const std::vector<Shown>& Boxes() const { return m_shown; }

private:
    int m_answer;
    std::vector<Shown> m_shown;
    MessageBoxHook m_previous;
};
