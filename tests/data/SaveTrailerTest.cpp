// CRC-32C against the published check values, and the trailer of saved files in its documented layout.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "data/Crc32c.h"
#include "data/SaveTrailer.h"
#include "support/TempFolder.h"
#include "support/TrailerBytes.h"

namespace
{
// The check value of the CRC catalogue (CRC-32/ISCSI) and the four vectors of RFC 3720, B.4.
TEST(Crc32c, MatchesThePublishedValuesWithAndWithoutTheInstruction)
{
    unsigned char zeros[32] = {};
    unsigned char ones[32];
    unsigned char up[32];
    unsigned char down[32];
    for (int i = 0; i < 32; ++i)
    {
        ones[i] = 0xFF;
        up[i] = static_cast<unsigned char>(i);
        down[i] = static_cast<unsigned char>(31 - i);
    }
    for (auto crc : {&Crc32c, &Crc32cWithTables})
    {
        EXPECT_EQ(0xE3069283u, crc(0, "123456789", 9));
        EXPECT_EQ(0x8A9136AAu, crc(0, zeros, 32));
        EXPECT_EQ(0x62A8AB43u, crc(0, ones, 32));
        EXPECT_EQ(0x46DD794Eu, crc(0, up, 32));
        EXPECT_EQ(0x113FDB5Cu, crc(0, down, 32));
        // Continued over pieces of every length, with the odd bytes around eight-byte steps.
        for (size_t split = 0; split <= 9; ++split)
            EXPECT_EQ(0xE3069283u, crc(crc(0, "123456789", split), "123456789" + split, 9 - split)) << split;
    }
    std::string noise(100003, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    EXPECT_EQ(Crc32cWithTables(0, noise.data(), noise.size()), Crc32c(0, noise.data(), noise.size()));
}

TEST(SaveTrailer, HasTheDocumentedLayoutAndCatchesWhatAPowerLossLeaves)
{
    const std::string contents = "the contents of a save, long enough to lose a part of";
    BYTE trailer[kSaveTrailerBytes];
    FormatSaveTrailer(Crc32c(0, contents.data(), contents.size()), contents.size(), 7, trailer);
    ASSERT_EQ(28u, kSaveTrailerBytes);
    EXPECT_EQ(DocumentedTrailer(contents, 7), std::string(reinterpret_cast<const char*>(trailer), 28));

    const std::string whole = contents + DocumentedTrailer(contents, 7);
    const CQTrailerCheck good = CheckSaveTrailer(whole);
    EXPECT_EQ(CQTrailerCheck::verified, good.state);
    EXPECT_EQ(contents.size(), good.length);
    EXPECT_EQ(7u, good.tag);

    std::string zeroedTail = whole;
    std::fill(zeroedTail.begin() + 30, zeroedTail.end(), '\0');
    std::string lostMiddle = whole;
    std::fill(lostMiddle.begin() + 10, lostMiddle.begin() + 20, '\0');
    std::string longer = whole;
    longer.insert(5, "x");
    struct Case
    {
        const char* what;
        std::string bytes;
        CQTrailerCheck::State state;
    };
    const Case cases[] = {
        {"without a trailer", contents, CQTrailerCheck::absent},
        {"cut short", whole.substr(0, whole.size() - 1), CQTrailerCheck::absent},
        {"the end zeroed", zeroedTail, CQTrailerCheck::absent},
        {"a part of the middle zeroed", lostMiddle, CQTrailerCheck::damaged},
        {"a byte more than the trailer says", longer, CQTrailerCheck::damaged},
        {"shorter than a trailer", "TavSaved", CQTrailerCheck::absent},
        {"empty", "", CQTrailerCheck::absent},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.state, CheckSaveTrailer(c.bytes).state) << c.what;

    // The same through a file handle, over more than one piece of the check's reading.
    TempFolder folder;
    std::string large(3 << 20, 'x');
    large += DocumentedTrailer(large, 99);
    for (const Case& c : {Case{"large", large, CQTrailerCheck::verified}, cases[3]})
    {
        ASSERT_TRUE(WriteWholeFile(folder.File(L"f"), c.bytes));
        HANDLE file =
            CreateFileW(folder.File(L"f").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CQTrailerCheck check;
        EXPECT_EQ(static_cast<DWORD>(NO_ERROR), CheckSaveTrailer(file, check));
        CloseHandle(file);
        EXPECT_EQ(c.state, check.state) << c.what;
    }
}
} // namespace
