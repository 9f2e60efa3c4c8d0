// Export of the collected tree as CSV: the exact bytes, quoting and UTF-8, slices while the tree grows,
// and failures that leave no file behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/CriticalSection.h"
#include "data/TreeItemFolder.h"
#include "data/export/CsvExport.h"
#include "data/export/TreeCsvWalk.h"
#include "data/TreeTestSupport.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

namespace
{
std::vector<std::wstring> FolderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

class CsvExportTest : public testing::Test
{
protected:
    CsvExportTest()
    {
        m_lock.Init();
        AddProcess(L"app.exe");
        AddProcess(L"b,x.exe");
        AddProcess(L"=2+3.exe");
    }

    CQProcess* AddProcess(const wchar_t* name)
    {
        CQProcess* process = new CQProcess;
        process->m_csProcessName = name;
        process->m_dwordIndex = static_cast<uint32_t>(m_processes.GetSize());
        m_processes.Add(process);
        return process;
    }

    // Quotes, a comma in a writer's name, a character beyond ASCII, a write of no process, a writer's
    // name that a spreadsheet would run as a formula, and a link whose process index names no record.
    void BuildSmallTree()
    {
        CQTreeItem* a = InsertPath(m_root, L"C:\\Temp\\a.txt");
        a->AddWrite(1, m_processes[0]);
        a->AddWrite(4096, m_processes[1]);
        InsertPath(m_root, L"C:\\Temp\\say \"hi\".txt")->AddWrite(10, nullptr);
        InsertPath(m_root, L"C:\\Temp\\caf\u00e9.log")->AddWrite(5000, m_processes[0]);
        CQTreeItem* x = InsertPath(m_root, L"D:\\x.bin");
        x->AddWrite(0, m_processes[2]);
        CQProcess stray;
        stray.m_dwordIndex = 7;
        x->AddProcessWrite(&stray, 0);
    }

    CQExportSource Source()
    {
        CQExportSource source;
        source.m_pLock = &m_lock;
        source.m_pRoot = &m_root;
        source.m_pProcesses = &m_processes;
        return source;
    }

    CQExportResult Export(const std::wstring& path)
    {
        CQExportProgress progress;
        return ExportTreeAsCsv(Source(), path, progress);
    }

    std::string Content(const std::wstring& path) const
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes));
        return bytes;
    }

    bool LogHas(const std::wstring& text) const
    {
        for (const std::wstring& line : m_log.Lines())
        {
            if (line == text)
                return true;
        }
        return false;
    }

    LogCapture m_log;
    TempFolder m_folder;
    CQCriticalSection m_lock;
    TestRoot m_root;
    CQPtrAutoArray<CQProcess> m_processes;
};

// The writers of an item follow its figures, a name and its bytes each, as many pairs as it has.
const char kSmallTreeCsv[] =
    "\xEF\xBB\xBF"
    "Path,Kind,Bytes with subitems,Bytes written,Bytes written aligned,Writer,Bytes by writer\r\n"
    "C:\\,drive,9107,0,0,,\r\n"
    "C:\\Temp\\,folder,9107,0,0,,\r\n"
    "C:\\Temp\\a.txt,file,4097,4097,8192,app.exe,1,\"b,x.exe\",4096\r\n"
    "\"C:\\Temp\\say \"\"hi\"\".txt\",file,10,10,4096,,\r\n"
    "\"C:\\Temp\\caf\xC3\xA9.log\",file,5000,5000,8192,app.exe,5000\r\n"
    "D:\\,drive,0,0,0,,\r\n"
    "D:\\x.bin,file,0,0,0,'=2+3.exe,0,< unknown >,0\r\n";
} // namespace

TEST_F(CsvExportTest, SmallTreeGivesExactlyTheseBytesAndReplacesAnOlderFile)
{
    BuildSmallTree();
    const std::wstring path = m_folder.File(L"export.csv");
    ASSERT_TRUE(WriteWholeFile(path, "an older, longer file that must not shine through at the end"));

    const CQExportResult result = Export(path);
    EXPECT_EQ(CQExportResult::written, result.m_outcome) << result.m_dwordError;
    EXPECT_EQ(7u, result.m_qwordRows);
    EXPECT_EQ(std::string(kSmallTreeCsv), Content(path));
    EXPECT_EQ(std::vector<std::wstring>{L"export.csv"}, FolderEntries(m_folder.Path()))
        << "no temporary file is left";
    EXPECT_TRUE(LogHas(L"Collected data exported to '" + path + L"', 7 items"));
}

TEST_F(CsvExportTest, SlicesOfAnyLengthGiveTheSameRowsWhileTheTreeGrowsBetweenThem)
{
    BuildSmallTree();
    std::wstring whole;
    {
        CQTreeCsvWalk walk(m_root, m_processes);
        EXPECT_FALSE(walk.NextSlice(whole, 1000));
    }

    // Two rows at a time; after the first slice the folder being walked gains enough children to move
    // its storage, and its parent gains one: all of them are exported in their places.
    std::wstring sliced;
    CQTreeCsvWalk walk(m_root, m_processes);
    ASSERT_TRUE(walk.NextSlice(sliced, 2));
    EXPECT_EQ(2u, walk.GetRowCount());
    for (int i = 0; i < 100; ++i)
        InsertPath(m_root, L"C:\\Temp\\n" + std::to_wstring(i));
    InsertPath(m_root, L"C:\\late.txt");
    while (walk.NextSlice(sliced, 2))
    {
    }

    std::wstring expected = whole;
    const size_t at = expected.find(L"D:\\,drive");
    ASSERT_NE(std::wstring::npos, at);
    std::wstring added;
    for (int i = 0; i < 100; ++i)
        added += L"C:\\Temp\\n" + std::to_wstring(i) + L",file,0,0,0,,\r\n";
    added += L"C:\\late.txt,file,0,0,0,,\r\n";
    expected.insert(at, added);
    EXPECT_EQ(expected, sliced);
    EXPECT_EQ(108u, walk.GetRowCount());
}

TEST_F(CsvExportTest, FailuresNameTheFileAndLeaveNoFileBehind)
{
    BuildSmallTree();

    // No such folder: the temporary file cannot even be made.
    const std::wstring missing = m_folder.File(L"missing\\export.csv");
    CQExportResult result = Export(missing);
    EXPECT_EQ(CQExportResult::failed, result.m_outcome);
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), result.m_dwordError);
    EXPECT_TRUE(m_log.Lines().size() >= 1 &&
                m_log.Lines().back().find(L"Operation with file '" + missing + L"' has failed") == 0);

    // A file of that name held open without sharing (as a spreadsheet program holds the last export) is
    // not replaced, and the written temporary file goes again.
    const std::wstring locked = m_folder.File(L"locked.csv");
    ASSERT_TRUE(WriteWholeFile(locked, "keep me"));
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    result = Export(locked);
    CloseHandle(holder);
    EXPECT_EQ(CQExportResult::failed, result.m_outcome);
    EXPECT_TRUE(result.m_dwordError == ERROR_ACCESS_DENIED || result.m_dwordError == ERROR_SHARING_VIOLATION)
        << result.m_dwordError;
    EXPECT_EQ("keep me", Content(locked));
    EXPECT_EQ(std::vector<std::wstring>{L"locked.csv"}, FolderEntries(m_folder.Path()));

    // A stop request ends the export before its first slice, without a file.
    const std::wstring stopped = m_folder.File(L"stopped.csv");
    CQExportProgress progress;
    progress.m_boolStop = true;
    result = ExportTreeAsCsv(Source(), stopped, progress);
    EXPECT_EQ(CQExportResult::stopped, result.m_outcome);
    EXPECT_EQ(std::vector<std::wstring>{L"locked.csv"}, FolderEntries(m_folder.Path()));
    EXPECT_TRUE(LogHas(L"Export to '" + stopped + L"' stopped"));
}
