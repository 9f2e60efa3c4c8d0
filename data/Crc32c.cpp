#include "data/Crc32c.h"

#include <cstring>

namespace
{
constexpr uint32_t kPolynomial = 0x82F63B78u;

// Eight tables of 256 entries: eight bytes a step ("slicing by 8").
struct CrcTables
{
    uint32_t t[8][256];
    CrcTables()
    {
        for (uint32_t i = 0; i < 256; ++i)
        {
            uint32_t crc = i;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ ((crc & 1) ? kPolynomial : 0);
            t[0][i] = crc;
        }
        for (uint32_t i = 0; i < 256; ++i)
        {
            for (int k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
    }
};

const CrcTables& Tables()
{
    static const CrcTables tables;
    return tables;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target("sse4.2"))) uint32_t Crc32cWithInstruction(uint32_t crc, const unsigned char* p,
                                                                 size_t bytes)
{
    uint64_t value = ~crc;
    for (; bytes >= 8; p += 8, bytes -= 8)
    {
        uint64_t word;
        std::memcpy(&word, p, 8);
        value = __builtin_ia32_crc32di(value, word);
    }
    uint32_t narrow = static_cast<uint32_t>(value);
    for (; bytes != 0; ++p, --bytes)
        narrow = __builtin_ia32_crc32qi(narrow, *p);
    return ~narrow;
}

bool HasCrcInstruction()
{
    static const bool has = __builtin_cpu_supports("sse4.2");
    return has;
}
#else
uint32_t Crc32cWithInstruction(uint32_t crc, const unsigned char* p, size_t bytes)
{
    return Crc32cWithTables(crc, p, bytes);
}

bool HasCrcInstruction()
{
    return false;
}
#endif
} // namespace

uint32_t Crc32cWithTables(uint32_t crc, const void* data, size_t bytes)
{
    const CrcTables& tables = Tables();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint32_t value = ~crc;
    for (; bytes >= 8; p += 8, bytes -= 8)
    {
        uint32_t low;
        uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + 4, 4);
        low ^= value;
        value = tables.t[7][low & 0xFF] ^ tables.t[6][(low >> 8) & 0xFF] ^ tables.t[5][(low >> 16) & 0xFF] ^
                tables.t[4][low >> 24] ^ tables.t[3][high & 0xFF] ^ tables.t[2][(high >> 8) & 0xFF] ^
                tables.t[1][(high >> 16) & 0xFF] ^ tables.t[0][high >> 24];
    }
    for (; bytes != 0; ++p, --bytes)
        value = (value >> 8) ^ tables.t[0][(value ^ *p) & 0xFF];
    return ~value;
}

uint32_t Crc32c(uint32_t crc, const void* data, size_t bytes)
{
    if (HasCrcInstruction())
        return Crc32cWithInstruction(crc, static_cast<const unsigned char*>(data), bytes);
    return Crc32cWithTables(crc, data, bytes);
}
