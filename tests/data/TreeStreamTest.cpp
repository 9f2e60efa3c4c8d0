#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "data/File.h"
#include "data/ItemName.h"
#include "data/SafeReplace.h"
#include "data/TreeArena.h"
#include "data/TreeStream.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

namespace
{
std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string bytes;
    for (unsigned v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

std::string CountBytes(uint32_t count)
{
    return std::string(reinterpret_cast<const char*>(&count), sizeof(count));
}

class TreeStreamTest : public testing::Test
{
protected:
    std::string Content(const std::wstring& path) const
    {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes));
        return bytes;
    }
    // A file opened for reading, for a reader.
    void OpenForReading(CQFile& file, const std::wstring& path) { ASSERT_TRUE(file.Open(path.c_str(), 0)); }

    TempFolder m_folder;
    LogCapture m_capture;
};

// Process names are counted strings: a 32-bit byte count, then UTF-16LE without a terminator.
TEST_F(TreeStreamTest, CountedStringsHaveTheirOnDiskForm)
{
    const std::wstring path = m_folder.File(L"strings.bin");
    {
        CQFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CQFile::accessWrite | CQFile::create));
        CQTreeWriter writer(&file);
        EXPECT_EQ(1, writer.WriteText(L"", 260));
        EXPECT_EQ(1, writer.WriteText(L"abcdef", 3));
        EXPECT_EQ(1, writer.WriteText(L"\u00dcml\u00e4ut \u2713", 260));
        EXPECT_EQ(1, writer.Flush());
    }
    const std::string expected =
        Bytes({0, 0, 0, 0}) + Bytes({6, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}) +
        Bytes({16, 0, 0, 0, 0xDC, 0, 'm', 0, 'l', 0, 0xE4, 0, 'u', 0, 't', 0, ' ', 0, 0x13, 0x27});
    EXPECT_TRUE(Content(path) == expected);

    CQFile file;
    OpenForReading(file, path);
    CQTreeReader reader(file);
    std::wstring text = L"junk";
    EXPECT_EQ(1, reader.ReadText(text, 260));
    EXPECT_EQ(L"", text);
    EXPECT_EQ(1, reader.ReadText(text, 260));
    EXPECT_EQ(L"abc", text);
    EXPECT_EQ(1, reader.ReadText(text, 260));
    EXPECT_EQ(L"\u00dcml\u00e4ut \u2713", text);
    EXPECT_EQ(expected.size(), reader.GetPosition());
    EXPECT_EQ(0, reader.ReadText(text, 260));
    EXPECT_TRUE(file.HitEndOfFile());
}

TEST_F(TreeStreamTest, AStringLimitCountsCharactersAndAnOddByteIsDropped)
{
    struct Case
    {
        uint32_t count;
        BOOL accepted;
    } cases[] = {{520, 1}, {521, 1}, {522, 0}, {0xFFFFFFFF, 0}};
    for (const Case& c : cases)
    {
        const std::wstring path = m_folder.File(L"limit.bin");
        const std::string payload(c.count <= 522 ? c.count : 10, 'A');
        ASSERT_TRUE(WriteWholeFile(path, CountBytes(c.count) + payload + CountBytes(0xC0FFEE)));
        CQFile file;
        OpenForReading(file, path);
        CQTreeReader reader(file);
        std::wstring text = L"junk";
        EXPECT_EQ(c.accepted, reader.ReadText(text, 260)) << c.count;
        if (c.accepted)
        {
            EXPECT_EQ(std::wstring(260, L'\x4141'), text) << c.count;
            uint32_t marker = 0;
            ASSERT_TRUE(reader.ReadU32(marker));
            EXPECT_EQ(0xC0FFEEu, marker);
        }
        else
        {
            EXPECT_EQ(L"", text) << c.count;
            EXPECT_EQ(4u, reader.GetPosition()) << "rejected before its characters were read";
        }
    }
}

// A save copies the data into memory and writes it later: the bytes must be those written straight to a
// file, across many buffers, with fields and names that straddle the buffers' ends.
TEST_F(TreeStreamTest, AWriterKeptInMemoryLeavesTheBytesOfADirectOne)
{
    CQTreeArena arena;
    CQItemName wide;
    const std::wstring wideText = L"\u00e9t\u00e9-\u2713-" + std::wstring(3000, L'w');
    wide.Assign(wideText.data(), wideText.size(), arena);
    CQItemName narrow;
    const std::wstring narrowText = L"file_" + std::wstring(70001, L'n');
    narrow.Assign(narrowText.data(), narrowText.size(), arena);

    const std::wstring direct = m_folder.File(L"direct.bin");
    const std::wstring copied = m_folder.File(L"copied.bin");
    const auto writeAll = [&](CQTreeWriter& writer)
    {
        std::string expected;
        for (unsigned i = 0; expected.size() < 3500000; ++i)
        {
            std::string part(1 + (i * 7919) % 90000, static_cast<char>('a' + i % 26));
            part[0] = static_cast<char>(i);
            EXPECT_EQ(1, writer.Write(part.data(), part.size()));
            expected += part;
            const CQItemName& name = i % 2 ? wide : narrow;
            const std::wstring& text = i % 2 ? wideText : narrowText;
            const size_t units = text.size() - i % 7;
            EXPECT_EQ(1, writer.WriteName(name, units));
            expected.append(reinterpret_cast<const char*>(text.data()), units * sizeof(wchar_t));
        }
        EXPECT_EQ(1, writer.Flush());
        EXPECT_EQ(expected.size(), writer.GetLength());
        return expected;
    };
    std::string expected;
    {
        CQFile file;
        ASSERT_TRUE(file.Open(direct.c_str(), CQFile::accessWrite | CQFile::create));
        CQTreeWriter writer(&file);
        expected = writeAll(writer);
    }
    CQTreeWriter memory(nullptr);
    EXPECT_TRUE(writeAll(memory) == expected);

    // A name that starts one byte before a buffer's end.
    {
        CQTreeWriter odd(nullptr);
        const std::string filler((1 << 20) - 1, 'f');
        ASSERT_EQ(1, odd.Write(filler.data(), filler.size()));
        ASSERT_EQ(1, odd.WriteName(wide, 5));
        const std::wstring oddPath = m_folder.File(L"odd.bin");
        ASSERT_EQ(CQReplaceResult::replaced,
                  SafeReplaceFile(oddPath, [&odd](CQFile& file) { return odd.WriteTo(file); }).outcome);
        EXPECT_TRUE(Content(oddPath) == filler + std::string(reinterpret_cast<const char*>(wideText.data()),
                                                             5 * sizeof(wchar_t)));
    }
    EXPECT_EQ(CQReplaceResult::replaced,
              SafeReplaceFile(copied, [&memory](CQFile& file) { return memory.WriteTo(file); }).outcome);
    EXPECT_TRUE(Content(direct) == expected);
    EXPECT_TRUE(Content(copied) == expected);

    // Read back in pieces of the same sizes; the position follows what was taken, not what was read ahead.
    CQFile file;
    OpenForReading(file, copied);
    CQTreeReader reader(file);
    std::string back(expected.size(), '\0');
    size_t at = 0;
    for (size_t step = 1; at < back.size(); step = step * 3 % 1300007 + 1)
    {
        const size_t take = std::min(step, back.size() - at);
        ASSERT_EQ(1, reader.Read(&back[at], take));
        at += take;
        ASSERT_EQ(at, reader.GetPosition());
    }
    EXPECT_TRUE(back == expected);
    char extra = 0;
    EXPECT_EQ(0, reader.Read(&extra, 1));
    EXPECT_EQ(expected.size(), reader.GetPosition());
}
} // namespace
