#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "data/Error.h"
#include "data/File.h"

namespace
{
const DWORD kSentinelError = 0xA5A5;

std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string bytes;
    for (unsigned v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

std::string CountBytes(DWORD count)
{
    return std::string(reinterpret_cast<const char*>(&count), sizeof(count));
}

std::string Hex(const std::string& bytes)
{
    std::string text;
    char part[4];
    for (unsigned char b : bytes.substr(0, 64))
    {
        snprintf(part, sizeof(part), "%02X ", b);
        text += part;
    }
    return text;
}

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

// The same checks with no buffer, the usual buffer and a tiny one that splits every field.
class BufferedFileTest : public FileTest, public testing::WithParamInterface<DWORD>
{
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

TEST_F(FileTest, WithTheThrowFlagEveryFailureThrowsItsOperation)
{
    std::wstring empty = PathOf(L"empty.bin");
    ASSERT_TRUE(WriteWholeFile(empty, ""));
    std::wstring missing = PathOf(L"missing.bin");
    char buffer[4] = {};

    auto thrown = [](const std::function<void(CQFile&)>& action, CQFile& file)
    {
        try
        {
            action(file);
        }
        catch (CQFile::ErrorExceptions value)
        {
            return static_cast<int>(value);
        }
        return 0;
    };
    {
        CQFile file(1);
        EXPECT_EQ(3, thrown([&](CQFile& f) { f.Open(missing.c_str(), 0); }, file));
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    }
    {
        CQFile file(1);
        ASSERT_TRUE(file.Open(empty.c_str(), CQFile::accessRead));
        EXPECT_EQ(1, thrown([&](CQFile& f) { f.Read(buffer, 4); }, file));
        EXPECT_EQ(2, thrown([&](CQFile& f) { f.Write(buffer, 4); }, file));
        std::wstring text;
        EXPECT_EQ(1, thrown([&](CQFile& f) { f.ReadString(text, 0); }, file));
        ASSERT_TRUE(file.Close());
        EXPECT_EQ(7, thrown([&](CQFile& f) { f.GetSize(); }, file));
    }
    {
        // Buffered writes that are still pending when a throwing file is destroyed must not end the program.
        CQFile file(1, CQFile::kDefaultBufferSize);
        ASSERT_TRUE(file.Open(PathOf(L"pending.bin").c_str(), CQFile::accessWrite | CQFile::create));
        ASSERT_TRUE(file.Write("abc", 3));
    }
    EXPECT_EQ("abc", Content(PathOf(L"pending.bin")));
}

TEST_P(BufferedFileTest, ReadingPastTheEndFailsAndSaysSo)
{
    std::wstring path = PathOf(L"twenty.bin");
    ASSERT_TRUE(WriteWholeFile(path, std::string(20, 'x')));
    CQFile file(0, GetParam());
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    char buffer[12];
    ASSERT_TRUE(file.Read(buffer, 12));
    EXPECT_FALSE(file.HitEndOfFile());
    EXPECT_EQ(0, file.Read(buffer, 12)); // 8 bytes before the end
    EXPECT_EQ(static_cast<DWORD>(ERROR_HANDLE_EOF), GetLastError());
    EXPECT_TRUE(file.HitEndOfFile());
    EXPECT_EQ(2u, m_capture.Lines().size());
    EXPECT_EQ(1, file.Read(buffer, 0));
    file.Close();

    CQFile thrower(1, GetParam());
    ASSERT_TRUE(thrower.Open(path.c_str(), CQFile::shareRead));
    ASSERT_TRUE(thrower.Read(buffer, 8));
    try
    {
        thrower.Read(buffer, 13);
        ADD_FAILURE() << "no exception";
    }
    catch (CQFile::ErrorExceptions value)
    {
        EXPECT_EQ(CQFile::errorRead, value);
    }
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

TEST_P(BufferedFileTest, CountedStringsHaveTheirOnDiskForm)
{
    std::wstring path = PathOf(L"strings.bin");
    {
        CQFile file(0, GetParam());
        ASSERT_TRUE(file.Open(path.c_str(), 0x1002));
        EXPECT_EQ(1, file.WriteString(L"", 0));
        EXPECT_EQ(1, file.WriteString(L"abcdef", 3));
        EXPECT_EQ(1, file.WriteString(L"\u00dcml\u00e4ut \u2713", 0));
    }
    std::string expected =
        Bytes({0, 0, 0, 0}) + Bytes({6, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}) +
        Bytes({16, 0, 0, 0, 0xDC, 0, 'm', 0, 'l', 0, 0xE4, 0, 'u', 0, 't', 0, ' ', 0, 0x13, 0x27});
    EXPECT_EQ(Hex(expected), Hex(Content(path)));

    CQFile file(0, GetParam());
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    std::wstring text = L"junk";
    EXPECT_EQ(1, file.ReadString(text, 0));
    EXPECT_EQ(L"", text);
    EXPECT_EQ(1, file.ReadString(text, 0));
    EXPECT_EQ(L"abc", text);
    EXPECT_EQ(1, file.ReadString(text, 260));
    EXPECT_EQ(L"\u00dcml\u00e4ut \u2713", text);
    EXPECT_EQ(0, file.ReadString(text, 0));
    EXPECT_TRUE(file.HitEndOfFile());
}

TEST_P(BufferedFileTest, ReadStringLimitCountsCharacters)
{
    struct Case
    {
        DWORD count;
        BOOL accepted;
    } cases[] = {{520, 1}, {521, 1}, {522, 0}};
    for (const Case& c : cases)
    {
        std::wstring path = PathOf(L"limit.bin");
        std::string payload(c.count, 'A');
        ASSERT_TRUE(WriteWholeFile(path, CountBytes(c.count) + payload + CountBytes(0xC0FFEE)));
        CQFile file(0, GetParam());
        ASSERT_TRUE(file.Open(path.c_str(), 0));
        std::wstring text = L"junk";
        EXPECT_EQ(c.accepted, file.ReadString(text, 260)) << c.count;
        DWORD marker = 0;
        if (c.accepted)
        {
            // An odd last byte is read and dropped.
            EXPECT_EQ(260u, text.size()) << c.count;
            EXPECT_EQ(std::wstring(260, L'\x4141'), text);
            ASSERT_TRUE(file.Read(&marker, 4));
            EXPECT_EQ(0xC0FFEEu, marker);
        }
        else
        {
            // Rejected before any of the characters were read.
            EXPECT_EQ(L"", text);
            ASSERT_TRUE(file.Read(&marker, 4));
            EXPECT_EQ(0x41414141u, marker);
        }
    }
}

TEST_P(BufferedFileTest, AnAbsurdCountFailsLikeAReadFailure)
{
    const DWORD counts[] = {0xFFFFFFF0, 0xFFFFFFFF, 0x7FFFFFFF, 100, 3 << 20};
    for (DWORD count : counts)
    {
        std::wstring path = PathOf(L"absurd.bin");
        ASSERT_TRUE(WriteWholeFile(path, CountBytes(count) + std::string(10, 'z')));
        LogCapture capture;
        CQFile file(0, GetParam());
        ASSERT_TRUE(file.Open(path.c_str(), 0));
        std::wstring text = L"junk";
        EXPECT_EQ(0, file.ReadString(text, 0)) << count;
        EXPECT_TRUE(file.HitEndOfFile()) << count;
        EXPECT_EQ(L"", text);
        EXPECT_EQ(2u, capture.Lines().size()) << count;
        file.Close();

        CQFile thrower(1, GetParam());
        ASSERT_TRUE(thrower.Open(path.c_str(), 0));
        try
        {
            thrower.ReadString(text, 0);
            ADD_FAILURE() << "no exception for " << count;
        }
        catch (CQFile::ErrorExceptions value)
        {
            EXPECT_EQ(CQFile::errorRead, value);
        }
    }
}

TEST_P(BufferedFileTest, LongStringsRoundTrip)
{
    std::wstring path = PathOf(L"long.bin");
    std::wstring longText;
    for (int i = 0; i < 700000; ++i)
        longText += static_cast<wchar_t>(L'a' + i % 26 + (i % 1000 == 0 ? 0x300 : 0));
    {
        CQFile file(0, GetParam());
        ASSERT_TRUE(file.Open(path.c_str(), 0x1002));
        ASSERT_TRUE(file.WriteString(longText, 0));
        ASSERT_TRUE(file.WriteString(L"after", 0));
        EXPECT_EQ(4u + 1400000u + 4u + 10u, file.GetSize());
    }
    CQFile file(0, GetParam());
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    std::wstring text;
    ASSERT_TRUE(file.ReadString(text, 0));
    EXPECT_TRUE(text == longText) << "lengths " << text.size() << " and " << longText.size();
    ASSERT_TRUE(file.ReadString(text, 0));
    EXPECT_EQ(L"after", text);
}

TEST_F(FileTest, AFailedCountWriteWritesNoCharacters)
{
    std::wstring path = PathOf(L"readonly.bin");
    ASSERT_TRUE(WriteWholeFile(path, ""));
    CQFile file(0, CQFile::kDefaultBufferSize);
    ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessRead));
    EXPECT_EQ(0, file.WriteString(L"text", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(2u, m_capture.Lines().size()) << "one failure, logged once";
}

TEST_F(FileTest, BufferedWritesLeaveTheSameBytesAsUnbufferedOnes)
{
    // Fields of every size around the buffer's, in one deterministic sequence.
    std::vector<std::string> fields;
    unsigned seed = 12345;
    for (int i = 0; i < 400; ++i)
    {
        seed = seed * 1103515245 + 12345;
        size_t size = (i % 50 == 0) ? 70000 + seed % 70000 : seed % 300;
        fields.push_back(std::string(size, static_cast<char>('a' + i % 26)));
    }
    const DWORD bufferSizes[] = {0, 7, 4096, CQFile::kDefaultBufferSize};
    std::vector<std::string> contents;
    for (DWORD bufferSize : bufferSizes)
    {
        std::wstring path = PathOf((L"out" + std::to_wstring(bufferSize) + L".bin").c_str());
        uint64_t expectedSize = 0;
        {
            CQFile file(0, bufferSize);
            ASSERT_TRUE(file.Open(path.c_str(), 0x1002));
            for (size_t i = 0; i < fields.size(); ++i)
            {
                ASSERT_TRUE(file.Write(fields[i].data(), static_cast<DWORD>(fields[i].size())));
                expectedSize += fields[i].size();
                if (i % 97 == 0)
                {
                    EXPECT_EQ(expectedSize, file.GetSize())
                        << "pending bytes not flushed before the size query";
                }
            }
        } // the destructor flushes
        contents.push_back(Content(path));
        EXPECT_EQ(expectedSize, contents.back().size());

        CQFile file(0, bufferSize);
        ASSERT_TRUE(file.Open(path.c_str(), 0));
        for (const std::string& field : fields)
        {
            std::string back(field.size(), '\0');
            ASSERT_TRUE(file.Read(&back[0], static_cast<DWORD>(back.size())));
            ASSERT_EQ(field, back);
        }
        char extra;
        EXPECT_FALSE(file.Read(&extra, 1));
    }
    for (size_t i = 1; i < contents.size(); ++i)
        EXPECT_TRUE(contents[i] == contents[0]) << "buffer size " << bufferSizes[i];
}

TEST_F(FileTest, MixedReadsAndWritesLandWhereUnbufferedOnesWould)
{
    std::string original;
    for (int i = 0; i < 200; ++i)
        original += static_cast<char>(i);
    std::vector<std::string> results;
    for (DWORD bufferSize : {0u, 16u, 65536u})
    {
        std::wstring path = PathOf((L"mixed" + std::to_wstring(bufferSize) + L".bin").c_str());
        ASSERT_TRUE(WriteWholeFile(path, original));
        std::string read;
        {
            CQFile file(0, bufferSize);
            ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessReadWrite));
            char buffer[40];
            ASSERT_TRUE(file.Read(buffer, 10));
            read.append(buffer, 10);
            ASSERT_TRUE(file.Write("WRITE", 5));
            ASSERT_TRUE(file.Read(buffer, 30));
            read.append(buffer, 30);
            ASSERT_TRUE(file.Write("TWO", 3));
            ASSERT_TRUE(file.Write("MORE", 4));
            ASSERT_TRUE(file.Read(buffer, 2));
            read.append(buffer, 2);
            EXPECT_EQ(200u, file.GetSize());
        }
        results.push_back(read + "|" + Content(path));
    }
    EXPECT_EQ(Hex(results[0]), Hex(results[1]));
    EXPECT_TRUE(results[0] == results[1]);
    EXPECT_TRUE(results[0] == results[2]);
    EXPECT_EQ("WRITE", results[0].substr(42 + 1 + 10, 5));
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

INSTANTIATE_TEST_SUITE_P(BufferSizes, BufferedFileTest, testing::Values(0u, 7u, CQFile::kDefaultBufferSize));
