#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "data/Error.h"

namespace
{
// The customer bit: the system has no text for such a code.
const DWORD kUnknownCode = 0x20001234;
} // namespace

TEST(ErrorTest, LogsTheStepAndTheSystemTextAndKeepsTheCode)
{
    LogCapture capture;
    std::wstring text = CQError::SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(std::wstring::npos, text.find_first_of(L"\r\n")) << text;

    SetLastError(ERROR_FILE_NOT_FOUND);
    CQError error(L"OpenServiceW");
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error.GetErrorCode());
    EXPECT_EQ(L"OpenServiceW :: " + text, error.GetMessageText());
    EXPECT_EQ(std::vector<std::wstring>{error.GetMessageText()}, capture.Lines());
}

TEST(ErrorTest, WithoutAStepTheTextStandsAlone)
{
    LogCapture capture;
    SetLastError(ERROR_ACCESS_DENIED);
    CQError error;
    EXPECT_EQ(CQError::SystemText(ERROR_ACCESS_DENIED), error.GetMessageText());
    EXPECT_EQ(std::vector<std::wstring>{error.GetMessageText()}, capture.Lines());
}

TEST(ErrorTest, AnUnknownCodeGivesAnEmptyText)
{
    LogCapture capture;
    SetLastError(kUnknownCode);
    CQError error(L"Step 100%");
    EXPECT_EQ(L"Step 100% :: ", error.GetMessageText());
    EXPECT_EQ(std::vector<std::wstring>{L"Step 100% :: "}, capture.Lines());
}

TEST(ErrorTest, DestructionRestoresTheCapturedLastError)
{
    LogCapture capture;
    SetLastError(ERROR_ACCESS_DENIED);
    {
        CQError error(L"step");
        SetLastError(0xBADC0DE);
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST(ErrorTest, EveryLineBreakIsRemoved)
{
    struct Case
    {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {L"The operation failed.\r\n", L"The operation failed."},
        {L"first line\r\nsecond line", L"first linesecond line"},
        {L"\n\r\r\n", L""},
        {L"a\rb\nc", L"abc"},
        {L"no breaks", L"no breaks"},
    };
    for (Case c : cases)
    {
        std::wstring text = c.text;
        CQError::RemoveLineBreaks(text);
        EXPECT_EQ(c.expected, text);
    }
}

TEST(ErrorTest, AFileErrorLogsTheTextAndThenTheSentence)
{
    struct Case
    {
        const wchar_t* path;
        std::wstring named;
    } cases[] = {{L"C:\\data\\Monitored.Files", L"C:\\data\\Monitored.Files"}, {nullptr, L"Unnamed"}};
    std::wstring text = CQError::SystemText(ERROR_SHARING_VIOLATION);
    for (const Case& c : cases)
    {
        LogCapture capture;
        SetLastError(ERROR_SHARING_VIOLATION);
        {
            CQFileError error(c.path);
            std::wstring sentence = L"Operation with file '" + c.named + L"' has failed, because: " + text;
            EXPECT_EQ(sentence, error.GetMessageText());
            EXPECT_EQ((std::vector<std::wstring>{text, sentence}), capture.Lines());
        }
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    }
}

TEST(ErrorTest, WorksWithoutAProgramLog)
{
    CQLog* previous = GetProgramLog();
    SetProgramLog(nullptr);
    SetLastError(ERROR_FILE_NOT_FOUND);
    {
        CQFileError error(L"x");
        EXPECT_FALSE(error.GetMessageText().empty());
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    SetProgramLog(previous);
}
