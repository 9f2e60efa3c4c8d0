#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "data/Error.h"
#include "data/File.h"

namespace
{
const DWORD kSentinelError = 0xA5A5;

class FileTest : public testing::Test
{
protected:
    std::wstring PathOf(const wchar_t* name) const { return m_folder.File(name); }

    std::string Content(const std::wstring& path) const
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes));
        return bytes;
    }

    TempFolder m_folder;
    LogCapture m_capture;
};

} // namespace

TEST_F(FileTest, OpeningAMissingFileFailsWithTwoLogLines)
{
    std::wstring path = PathOf(L"missing.bin");
    CQFile file;
    SetLastError(kSentinelError);
    EXPECT_EQ(0, file.Open(path.c_str(), 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(path, file.GetPath());

    std::wstring text = CQError::SystemText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ((std::vector<std::wstring>{text, L"Operation with file '" + path + L"' has failed, because: " +
                                                   text}),
              m_capture.Lines());
}

TEST_F(FileTest, ReadingPastTheEndFailsAndSaysSo)
{
    std::wstring path = PathOf(L"twenty.bin");
    ASSERT_TRUE(WriteWholeFile(path, std::string(20, 'x')));
    CQFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    char buffer[12];
    ASSERT_TRUE(file.Read(buffer, 12));
    EXPECT_FALSE(file.HitEndOfFile());
    EXPECT_EQ(0, file.Read(buffer, 12)); // 8 bytes before the end
    EXPECT_EQ(static_cast<DWORD>(ERROR_HANDLE_EOF), GetLastError());
    EXPECT_TRUE(file.HitEndOfFile());
    EXPECT_EQ(2u, m_capture.Lines().size());
    EXPECT_EQ(1, file.Read(buffer, 0));
}

TEST_F(FileTest, CloseForgetsTheHandleAndASecondCloseDoesNothing)
{
    std::wstring path = PathOf(L"close.bin");
    CQFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessWrite | CQFile::create));
    EXPECT_EQ(1, file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(L"", file.GetPath());
    EXPECT_EQ(1, file.Close());
    EXPECT_TRUE(m_capture.Lines().empty());
    // The handle is really closed: an exclusive open succeeds.
    CQFile other;
    EXPECT_TRUE(other.Open(path.c_str(), CQFile::accessReadWrite));
}

TEST_F(FileTest, OpeningAgainClosesThePreviousFile)
{
    std::wstring first = PathOf(L"first.bin");
    std::wstring second = PathOf(L"second.bin");
    CQFile file;
    ASSERT_TRUE(file.Open(first.c_str(), CQFile::accessWrite | CQFile::create));
    ASSERT_TRUE(file.Open(second.c_str(), CQFile::accessWrite | CQFile::create));
    EXPECT_EQ(second, file.GetPath());
    CQFile other;
    EXPECT_TRUE(other.Open(first.c_str(), CQFile::accessReadWrite)) << "the first file is still open";
}

TEST_F(FileTest, CreationFlagsSelectTruncateOpenAlwaysOrMustExist)
{
    std::wstring path = PathOf(L"flags.bin");
    ASSERT_TRUE(WriteWholeFile(path, "keep"));
    {
        CQFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessWrite | CQFile::create | CQFile::openAlways));
    }
    EXPECT_EQ("keep", Content(path));
    {
        CQFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessReadWrite | CQFile::create));
    }
    EXPECT_EQ("", Content(path));
    std::wstring fresh = PathOf(L"fresh.bin");
    {
        CQFile file;
        EXPECT_FALSE(file.Open(fresh.c_str(), CQFile::accessReadWrite));
        ASSERT_TRUE(file.Open(fresh.c_str(), CQFile::accessReadWrite | CQFile::create | CQFile::openAlways));
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(fresh.c_str()));
}

TEST_F(FileTest, SharingFlagsAreEnforced)
{
    struct Case
    {
        DWORD first;
        DWORD second;
        bool secondOpens;
    } cases[] = {
        {CQFile::accessRead, CQFile::accessRead | CQFile::shareReadWrite, false},
        {0x10, CQFile::accessRead | CQFile::shareReadWrite, false}, // 0x10 means no sharing
        {0x50, CQFile::accessRead | CQFile::shareReadWrite, false},
        {CQFile::shareRead, CQFile::accessRead | CQFile::shareRead, true},
        {CQFile::shareRead, CQFile::accessWrite | CQFile::shareReadWrite, false},
        {CQFile::shareWrite, CQFile::accessWrite | CQFile::shareReadWrite, true},
        {CQFile::shareWrite, CQFile::accessRead | CQFile::shareReadWrite, false},
        {CQFile::shareReadWrite, CQFile::accessReadWrite | CQFile::shareReadWrite, true},
        {CQFile::accessNone, CQFile::accessReadWrite, true}, // no rights asked, nothing to conflict with
    };
    std::wstring path = PathOf(L"shared.bin");
    ASSERT_TRUE(WriteWholeFile(path, "shared"));
    for (const Case& c : cases)
    {
        CQFile first;
        ASSERT_TRUE(first.Open(path.c_str(), c.first)) << std::hex << c.first;
        CQFile second;
        SetLastError(kSentinelError);
        BOOL opened = second.Open(path.c_str(), c.second);
        EXPECT_EQ(c.secondOpens, opened != 0) << std::hex << c.first << " then " << c.second;
        if (!c.secondOpens)
        {
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        }
    }
}

TEST_F(FileTest, NoAccessRightsOpensButCannotRead)
{
    std::wstring path = PathOf(L"none.bin");
    ASSERT_TRUE(WriteWholeFile(path, "data"));
    CQFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessNone));
    char buffer[4];
    EXPECT_FALSE(file.Read(buffer, 4));
    EXPECT_FALSE(file.HitEndOfFile());
}

TEST_F(FileTest, GetSizeReportsLargeSizes)
{
    std::wstring path = PathOf(L"sparse.bin");
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    LARGE_INTEGER size;
    size.QuadPart = 0x1FFFFFFFFull; // low half 0xFFFFFFFF
    bool sized = SetFilePointerEx(handle, size, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    if (!sized)
        GTEST_SKIP() << "cannot make an 8 GB file here";
    CQFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    SetLastError(kSentinelError); // an old error must not turn the size into a failure
    EXPECT_EQ(0x1FFFFFFFFull, file.GetSize());
    EXPECT_TRUE(m_capture.Lines().empty());
}
