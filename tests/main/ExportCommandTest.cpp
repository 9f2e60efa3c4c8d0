// The main menu's export command without the program: the Save As dialog answered by the test, what the
// user is told when the export ends or the file cannot be written, and a cancel that does not wait.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/CriticalSection.h"
#include "dialogs/DialogsTestSupport.h"
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

    // Polls as the refresh does until the export has ended (a generous limit).
    void WaitForEnd()
    {
        for (int i = 0; i < 6000 && m_command.IsRunning(); ++i)
        {
            Sleep(10);
            m_command.Poll(nullptr);
        }
        EXPECT_FALSE(m_command.IsRunning());
    }

    // Chooses the file and waits for the export to end.
    void ExportTo(const std::wstring& path)
    {
        g_answer = path;
        m_command.Begin(nullptr, m_monitor);
        WaitForEnd();
    }

    std::wstring Status(bool clearing = false) const
    {
        std::wstring text = L"(none)";
        m_command.GetStatusText(1000, clearing, text);
        return text;
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

TEST_F(ExportCommandTest, TheStatusLineSaysWhereTheExportWentForAWhile)
{
    AddTestWrite(m_monitor, L"C:\\a.txt", L"app.exe", 10);
    const std::wstring path = m_folder.File(L"done.csv");
    ExportTo(path);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes));
    for (int poll = 0; poll < CQExportCommand::kOutcomePolls; ++poll)
    {
        ASSERT_EQ(L"Exported to 'done.csv'", Status()) << "poll " << poll;
        m_command.Poll(nullptr);
    }
    EXPECT_EQ(L"(none)", Status()) << "the status line goes back to the monitoring state";
}

TEST_F(ExportCommandTest, CancelReturnsAtOnceAndTheExportEndsWithoutAFile)
{
    // More items than one slice takes, so the export needs the lock again after its first slice.
    for (int i = 0; i < 600; ++i)
        AddTestWrite(m_monitor, L"C:\\f\\" + std::to_wstring(i) + L".txt", L"app.exe", 1);
    const std::wstring path = m_folder.File(L"cancelled.csv");
    ASSERT_TRUE(WriteWholeFile(path, "older"));
    g_answer = path;
    {
        // The export thread waits for the data lock that this thread holds: a cancel that waited for the
        // thread would never return.
        CQLock hold(m_monitor.m_lockData);
        m_command.Begin(nullptr, m_monitor);
        ASSERT_TRUE(m_command.IsRunning());
        EXPECT_EQ(L"Exporting collected data... 0%", Status());
        EXPECT_EQ(L"Clearing after the export... 0%", Status(true));
        m_command.Cancel();
        EXPECT_TRUE(m_command.IsRunning());
        EXPECT_EQ(L"Cancelling the export...", Status());
    }
    WaitForEnd();
    EXPECT_EQ(L"Export cancelled", Status());
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ("older", bytes) << "the chosen file stays as it was";
    EXPECT_TRUE(m_boxes.Boxes().empty());
}
