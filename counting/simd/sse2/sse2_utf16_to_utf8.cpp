#include "counting/simd/utf16_kernels.h"

#if defined(VELMORA_X86_SIMD)

#include <emmintrin.h>

namespace velmora::sse2 {

namespace {

constexpr std::size_t blockUnits = 16;

/// Sixteen units of ASCII, the most common block even in other scripts (line ends, spaces,
/// digits), become their sixteen bytes at once; other blocks go the plain way, a unit at a time.
template<bool bigEndian> Utf16Conversion convert(const char* bytes, std::size_t units, char* utf8)
{
    const __m128i pastAscii = _mm_set1_epi16(short(0xFF80));
    Utf16Conversion done;
    while (units - done.units >= blockUnits) {
        const char* block = bytes + 2 * done.units;
        __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
        __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16));
        if constexpr (bigEndian) {
            first = _mm_or_si128(_mm_slli_epi16(first, 8), _mm_srli_epi16(first, 8));
            second = _mm_or_si128(_mm_slli_epi16(second, 8), _mm_srli_epi16(second, 8));
        }
        const __m128i above = _mm_and_si128(_mm_or_si128(first, second), pastAscii);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, _mm_setzero_si128())) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(utf8 + done.bytes),
                             _mm_packus_epi16(first, second));
            done.units += blockUnits;
            done.bytes += blockUnits;
        } else if (!convertPlainUtf16Units<bigEndian>(bytes, units, done.units + blockUnits, utf8,
                                                      done)) {
            return done;
        }
    }
    convertPlainUtf16Units<bigEndian>(bytes, units, units, utf8, done);
    return done;
}

} // namespace

Utf16Conversion convertUtf16(const char* bytes, std::size_t units, TextEncoding byteOrder,
                             char* utf8)
{
    return byteOrder == TextEncoding::Utf16BigEndian ? convert<true>(bytes, units, utf8)
                                                     : convert<false>(bytes, units, utf8);
}

} // namespace velmora::sse2

#endif
