// The main menu's export command without the program: the Save As dialog answered by the test, and what
// the user is told when the file cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/Monitor.h"
#include "support/LogCapture.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempFolder.h"
#include "ui/main/ExportCommand.h"

namespace
{
// What the Save As dialog was given, and the file it answers with (none: the user cancels).
std::wstring g_offeredFilter;
std::wstring g_answer;

BOOL WINAPI AnswerSaveAs(LPOPENFILENAMEW dialog)
{
    g_offeredFilter = dialog->lpstrFilter;
    if (g_answer.empty() || g_answer.size() >= dialog->nMaxFile)
        return FALSE;
    g_answer.copy(dialog->lpstrFile, g_answer.size());
    dialog->lpstrFile[g_answer.size()] = L'\0';
    return TRUE;
}

class ExportCommandTest : public testing::Test
{
protected:
    ExportCommandTest() : m_previous(CQExportCommand::s_pfnGetSaveFileName)
    {
        CQExportCommand::s_pfnGetSaveFileName = AnswerSaveAs;
        g_answer.clear();
    }
    ~ExportCommandTest() override { CQExportCommand::s_pfnGetSaveFileName = m_previous; }

    // Chooses the file and waits for the export to end, as a clear of the data does.
    void ExportTo(const std::wstring& path)
    {
        g_answer = path;
        m_command.Begin(nullptr, m_monitor);
        m_command.Finish(nullptr);
        EXPECT_FALSE(m_command.IsRunning());
    }

    LogCapture m_log;
    TempFolder m_folder;
    MessageBoxRecorder m_boxes;
    CQMonitor m_monitor;
    CQExportCommand m_command;
    BOOL(WINAPI* m_previous)(LPOPENFILENAMEW);
};
} // namespace

TEST_F(ExportCommandTest, ACancelledSaveAsExportsNothingAndAFailureNamesTheFile)
{
    m_command.Begin(nullptr, m_monitor);
    EXPECT_FALSE(m_command.IsRunning());
    EXPECT_EQ(L"CSV files (*.csv)", g_offeredFilter);

    const std::wstring missing = m_folder.File(L"gone\\data.csv");
    ExportTo(missing);
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    const MessageBoxRecorder::Shown& box = m_boxes.Boxes()[0];
    EXPECT_EQ(0u, box.text.find(L"Can't export the collected data to the file '" + missing + L"'.\n\n"))
        << testing::PrintToString(box.text);
    EXPECT_GT(box.text.size(), missing.size() + 50) << "the system's reason follows";
    EXPECT_EQ(L"Tavrello", box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), box.type);
}
