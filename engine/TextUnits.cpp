#include "engine/TextUnits.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVRELLO_SSE2 1
#endif
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

static_assert(sizeof(wchar_t) == 2, "UTF-16 units");

namespace
{
#ifdef TAVRELLO_SSE2
unsigned LowestSetBit(unsigned mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanForward(&index, mask);
    return index;
#else
    return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}
#endif
} // namespace

namespace TextUnits
{

size_t FindZeroUnit(const uint8_t* text, size_t units)
{
    size_t i = 0;
#ifdef TAVRELLO_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= units; i += 8)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, zero)));
        if (mask != 0)
            return i + LowestSetBit(mask) / 2;
    }
#endif
    for (; i < units; ++i)
    {
        if (text[2 * i] == 0 && text[2 * i + 1] == 0)
            return i;
    }
    return units;
}

bool AnyWide(const uint8_t* text, size_t units)
{
    size_t i = 0;
#ifdef TAVRELLO_SSE2
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF00));
    for (; i + 8 <= units; i += 8)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(block, high), _mm_setzero_si128())) != 0xFFFF)
            return true;
    }
#endif
    for (; i < units; ++i)
    {
        if (text[2 * i + 1] != 0)
            return true;
    }
    return false;
}

void Narrow(uint8_t* out, const uint8_t* text, size_t units)
{
    size_t i = 0;
#ifdef TAVRELLO_SSE2
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (; i + 16 <= units; i += 16)
    {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i)), low);
        const __m128i b =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i + 16)), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < units; ++i)
        out[i] = text[2 * i];
}

void Widen(wchar_t* out, const uint8_t* text, size_t count)
{
    size_t i = 0;
#ifdef TAVRELLO_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(block, zero));
    }
#endif
    for (; i < count; ++i)
        out[i] = static_cast<wchar_t>(text[i]);
}

} // namespace TextUnits
