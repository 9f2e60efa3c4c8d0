// Replacing a file through "<name>.new", with real files under Wine; and the memory file that a save is
// copied into.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "data/File.h"
#include "data/MemoryFile.h"
#include "data/SafeReplace.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

namespace
{
class SafeReplaceTest : public testing::Test
{
protected:
    std::string Content(const std::wstring& path) const
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes)) << "no file " << std::string(path.begin(), path.end());
        return bytes;
    }
    static bool Exists(const std::wstring& path)
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    static std::function<BOOL(CQFile&)> Writer(const std::string& bytes)
    {
        return [bytes](CQFile& file) { return file.Write(bytes.data(), static_cast<DWORD>(bytes.size())); };
    }
    bool Logged(const std::wstring& part) const
    {
        for (const std::wstring& line : m_log.Lines())
        {
            if (line.find(part) != std::wstring::npos)
                return true;
        }
        return false;
    }

    TempFolder m_folder;
    LogCapture m_log;
    const std::wstring m_path = m_folder.File(L"data.bin");
    const std::wstring m_new = m_path + L".new";
};

TEST_F(SafeReplaceTest, AFailedWriteRemovesTheIncompleteNewFileAndKeepsTheOld)
{
    ASSERT_TRUE(WriteWholeFile(m_path, "old"));
    const auto halfThenFail = [](CQFile& file)
    {
        file.Write("half", 4);
        return BOOL(0);
    };
    EXPECT_EQ(0, SafeReplaceFile(m_path, halfThenFail));
    EXPECT_EQ("old", Content(m_path));
    EXPECT_FALSE(Exists(m_new));
}

TEST_F(SafeReplaceTest, AReplaceThatFailsKeepsTheCompleteNewFileAndSaysWhy)
{
    ASSERT_TRUE(WriteWholeFile(m_path, "old"));
    // Another program holds the old file open without letting it be deleted or renamed.
    HANDLE holder =
        CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, SafeReplaceFile(m_path, Writer("complete new data")));
    CloseHandle(holder);
    EXPECT_EQ("old", Content(m_path));
    EXPECT_EQ("complete new data", Content(m_new));
    EXPECT_TRUE(Logged(L"SafeReplaceFile::MoveFileEx :: ")) << "the system's reason is logged";
    EXPECT_TRUE(Logged(L"kept in '" + m_new + L"'"));

    // The next replace that works takes the place of both.
    EXPECT_EQ(1, SafeReplaceFile(m_path, Writer("later")));
    EXPECT_EQ("later", Content(m_path));
    EXPECT_FALSE(Exists(m_new));
}

TEST_F(SafeReplaceTest, ANewFileThatCannotBeOpenedIsLeftAlone)
{
    ASSERT_TRUE(WriteWholeFile(m_new, "not ours"));
    HANDLE holder = CreateFileW(m_new.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, SafeReplaceFile(m_path, Writer("data")));
    CloseHandle(holder);
    EXPECT_EQ("not ours", Content(m_new));
    EXPECT_FALSE(Exists(m_path));
}

TEST_F(SafeReplaceTest, AMemoryFileWritesTheSameBytesAcrossItsPieces)
{
    // More than two of its 1 MiB pieces, in writes of odd sizes that straddle their ends.
    std::string expected;
    CQMemoryFile memory;
    for (unsigned i = 0; expected.size() < 2500000; ++i)
    {
        std::string part(1 + (i * 7919) % 70000, static_cast<char>('a' + i % 26));
        part[0] = static_cast<char>(i);
        ASSERT_EQ(1, memory.Write(part.data(), static_cast<DWORD>(part.size())));
        if (i % 3 == 0)
        {
            ASSERT_EQ(1, memory.WriteString(L"text", 0));
        }
        expected += part;
        if (i % 3 == 0)
            expected += std::string("\x08\0\0\0t\0e\0x\0t\0", 12);
    }
    EXPECT_EQ(expected.size(), memory.GetLength());
    EXPECT_EQ(1, SafeReplaceFile(m_path, [&memory](CQFile& file) { return memory.WriteTo(file); }));
    EXPECT_TRUE(Content(m_path) == expected);
    EXPECT_EQ(0, memory.IsOutOfMemory());
}
} // namespace
