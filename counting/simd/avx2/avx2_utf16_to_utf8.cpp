#include "counting/simd/utf16_kernels.h"

#if defined(VELMORA_X86_SIMD)

#include <algorithm>
#include <cstdint>
#include <immintrin.h>

namespace velmora::avx2 {

namespace {

constexpr std::size_t blockUnits = 16;

/// For four units of one, two or three bytes of UTF-8, each unit's bytes held in its own 32-bit
/// lane from the lowest byte up, the shuffle that packs their bytes together at the front and
/// the bytes that makes. The index is the sum of (bytes - 1) * 3^k over the units k.
struct PackShuffles
{
    std::uint8_t shuffles[81][16];
    std::uint8_t lengths[81];
    /// The sum of 3^k over the bits k set in the index: a mask of four units gives its share.
    std::uint8_t threePowers[16];
};

constexpr PackShuffles makePackShuffles()
{
    PackShuffles table {};
    for (int index = 0; index < 81; ++index) {
        int rest = index;
        int at = 0;
        for (int unit = 0; unit < 4; ++unit, rest /= 3) {
            for (int byte = 0; byte <= rest % 3; ++byte)
                table.shuffles[index][at++] = std::uint8_t(4 * unit + byte);
        }
        table.lengths[index] = std::uint8_t(at);
        for (; at < 16; ++at)
            table.shuffles[index][at] = 0x80;
    }
    for (int bits = 0; bits < 16; ++bits) {
        int power = 1;
        for (int unit = 0; unit < 4; ++unit, power *= 3)
            table.threePowers[bits] += std::uint8_t((bits >> unit & 1) * power);
    }
    return table;
}

constexpr PackShuffles packShuffles = makePackShuffles();

/// Writes the UTF-8 of the first `keep` (1 to 8) of eight units that are not surrogates at
/// `utf8`, and 28 bytes at most past it; gives the bytes of those units. Every unit's bytes are
/// made in its lane, then each half's four lanes are packed by the shuffle their lengths choose.
VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) std::size_t
writeUnits(__m128i units, std::size_t keep, char* utf8)
{
    const __m256i value = _mm256_cvtepu16_epi32(units);
    const __m256i low6 = _mm256_set1_epi32(0x3F);
    const __m256i continuation = _mm256_set1_epi32(0x80);
    const __m256i twoOrMore = _mm256_cmpgt_epi32(value, _mm256_set1_epi32(0x7F));
    const __m256i three = _mm256_cmpgt_epi32(value, _mm256_set1_epi32(0x7FF));
    const __m256i lead = _mm256_blendv_epi8(
        _mm256_blendv_epi8(value,
                           _mm256_or_si256(_mm256_set1_epi32(0xC0), _mm256_srli_epi32(value, 6)),
                           twoOrMore),
        _mm256_or_si256(_mm256_set1_epi32(0xE0), _mm256_srli_epi32(value, 12)), three);
    const __m256i last = _mm256_or_si256(continuation, _mm256_and_si256(value, low6));
    const __m256i middle
        = _mm256_or_si256(continuation, _mm256_and_si256(_mm256_srli_epi32(value, 6), low6));
    const __m256i second = _mm256_blendv_epi8(last, middle, three);
    const __m256i laid = _mm256_or_si256(
        lead, _mm256_or_si256(_mm256_slli_epi32(second, 8), _mm256_slli_epi32(last, 16)));

    const auto longer = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(twoOrMore)));
    const auto longest = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(three)));
    const unsigned lowIndex
        = packShuffles.threePowers[longer & 15] + packShuffles.threePowers[longest & 15];
    const unsigned highIndex
        = packShuffles.threePowers[longer >> 4] + packShuffles.threePowers[longest >> 4];
    const __m256i shuffle = _mm256_inserti128_si256(
        _mm256_castsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(packShuffles.shuffles[lowIndex]))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(packShuffles.shuffles[highIndex])), 1);
    const __m256i packed = _mm256_shuffle_epi8(laid, shuffle);
    const std::size_t lowLength = packShuffles.lengths[lowIndex];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(utf8), _mm256_castsi256_si128(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(utf8 + lowLength),
                     _mm256_extracti128_si256(packed, 1));
    if (keep == 8)
        return lowLength + packShuffles.lengths[highIndex];
    const unsigned kept = (1U << keep) - 1;
    return keep + unsigned(__builtin_popcount(longer & kept) + __builtin_popcount(longest & kept));
}

/// Sixteen units at a time: ASCII packed at once, other units without surrogates in two
/// halves of eight. In a block with a surrogate the units before it are taken the same way,
/// the surrogate the plain way, which pairs it, and the next block starts after them.
template<bool bigEndian>
VELMORA_TARGET_AVX2 Utf16Conversion convert(const char* bytes, std::size_t units, char* utf8)
{
    const __m256i pastAscii = _mm256_set1_epi16(short(0xFF80));
    const __m256i surrogateBits = _mm256_set1_epi16(short(0xF800));
    const __m256i surrogate = _mm256_set1_epi16(short(0xD800));
    Utf16Conversion done;
    while (units - done.units >= blockUnits) {
        __m256i block
            = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 2 * done.units));
        if constexpr (bigEndian)
            block = _mm256_or_si256(_mm256_slli_epi16(block, 8), _mm256_srli_epi16(block, 8));
        char* const out = utf8 + done.bytes;
        if (_mm256_testz_si256(block, pastAscii)) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_packus_epi16(_mm256_castsi256_si128(block),
                                              _mm256_extracti128_si256(block, 1)));
            done.units += blockUnits;
            done.bytes += blockUnits;
            continue;
        }
        const __m256i surrogates
            = _mm256_cmpeq_epi16(_mm256_and_si256(block, surrogateBits), surrogate);
        const auto surrogateBytes = unsigned(_mm256_movemask_epi8(surrogates));
        if (surrogateBytes == 0) {
            const std::size_t lowBytes = writeUnits(_mm256_castsi256_si128(block), 8, out);
            done.bytes
                += lowBytes + writeUnits(_mm256_extracti128_si256(block, 1), 8, out + lowBytes);
            done.units += blockUnits;
            continue;
        }
        const std::size_t before = std::size_t(__builtin_ctz(surrogateBytes)) / 2;
        if (before > 0) {
            const std::size_t keep = std::min<std::size_t>(before, 8);
            done.bytes += writeUnits(_mm256_castsi256_si128(block), keep, out);
            done.units += keep;
        } else if (!convertPlainUtf16Units<bigEndian>(bytes, units, done.units + 1, utf8, done)) {
            return done;
        }
    }
    convertPlainUtf16Units<bigEndian>(bytes, units, units, utf8, done);
    return done;
}

} // namespace

VELMORA_TARGET_AVX2 Utf16Conversion convertUtf16(const char* bytes, std::size_t units,
                                                 TextEncoding byteOrder, char* utf8)
{
    return byteOrder == TextEncoding::Utf16BigEndian ? convert<true>(bytes, units, utf8)
                                                     : convert<false>(bytes, units, utf8);
}

} // namespace velmora::avx2

#endif
