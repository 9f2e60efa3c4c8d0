#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/TextUnits.h"

namespace
{
// Text placed so that its last byte is the last byte before a page that may not be read: a scan that
// reads past the units it was given faults.
class GuardedText
{
public:
    GuardedText()
    {
        m_pPages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * 4096, MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_pPages + 4096, 4096, PAGE_NOACCESS, &old);
    }
    ~GuardedText() { VirtualFree(m_pPages, 0, MEM_RELEASE); }
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;

    uint8_t* Place(const std::vector<uint8_t>& bytes)
    {
        uint8_t* at = m_pPages + 4096 - bytes.size();
        if (!bytes.empty())
            std::memcpy(at, bytes.data(), bytes.size());
        return at;
    }

private:
    uint8_t* m_pPages = nullptr;
};

std::vector<uint8_t> Utf16Le(const std::vector<uint16_t>& units)
{
    std::vector<uint8_t> bytes;
    for (uint16_t unit : units)
    {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

// Every length up to past two 16-unit steps, with the one special unit at every place and at none: the
// 8- and 16-unit steps and the unit-by-unit rest must agree with the plain definition everywhere.
TEST(TextUnits, EveryLengthAndPlaceAgreesWithTheDefinition)
{
    GuardedText guarded;
    for (size_t units = 0; units <= 40; ++units)
    {
        for (size_t special = 0; special <= units; ++special)
        {
            std::vector<uint16_t> text(units);
            for (size_t i = 0; i < units; ++i)
                text[i] = static_cast<uint16_t>('a' + (i * 7) % 26 + (i % 3 == 0 ? 0x80 : 0));
            // A zero unit whose neighbours' bytes are zero too, across the unit boundary.
            std::vector<uint16_t> withZero = text;
            std::vector<uint16_t> withWide = text;
            if (special < units)
            {
                withZero[special] = 0;
                if (special > 0)
                    withZero[special - 1] = 0x4100; // low byte 0: only a whole unit counts
                withWide[special] = special % 2 ? 0x0100 : 0xFF41;
            }
            const uint8_t* zeroText = guarded.Place(Utf16Le(withZero));
            const size_t firstZero = special < units ? special : units;
            EXPECT_EQ(firstZero, TextUnits::FindZeroUnit(zeroText, units)) << units << " " << special;

            const uint8_t* wideText = guarded.Place(Utf16Le(withWide));
            EXPECT_EQ(special < units, TextUnits::AnyWide(wideText, units)) << units << " " << special;

            const uint8_t* narrowText = guarded.Place(Utf16Le(text));
            EXPECT_FALSE(TextUnits::AnyWide(narrowText, units));
            std::vector<uint8_t> narrow(units + 1, 0xEE);
            TextUnits::Narrow(narrow.data(), narrowText, units);
            for (size_t i = 0; i < units; ++i)
                ASSERT_EQ(text[i], narrow[i]) << units << " " << i;
            EXPECT_EQ(0xEE, narrow[units]) << "nothing written past the text";

            const uint8_t* bytes = guarded.Place(std::vector<uint8_t>(narrow.begin(), narrow.end() - 1));
            std::vector<wchar_t> wide(units + 1, L'\xEEEE');
            TextUnits::Widen(wide.data(), bytes, units);
            for (size_t i = 0; i < units; ++i)
                ASSERT_EQ(text[i], static_cast<uint16_t>(wide[i])) << units << " " << i;
            EXPECT_EQ(L'\xEEEE', wide[units]);
        }
    }
}
} // namespace
