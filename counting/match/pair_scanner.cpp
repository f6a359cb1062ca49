#include "pair_scanner.h"

#include <algorithm>
#include <optional>

namespace velmora {

namespace {

/// The bit in which the two values of a set differ, 0 for a set of one value; nullopt when
/// they differ in more bits.
std::optional<unsigned char> foldBit(const CandidateBytes& bytes)
{
    const auto differ = static_cast<unsigned char>(bytes.values[0] ^ bytes.values[1]);
    if (bytes.size == 1 || differ == 0)
        return 0;
    if (bytes.size == 2 && (differ & (differ - 1)) == 0)
        return differ;
    return std::nullopt;
}

} // namespace

PairScanner::PairScanner(const CandidatePair& pair, SimdLevel level)
    : m_pair(pair)
    , m_level(level)
{
    const std::optional<unsigned char> first = foldBit(pair.first);
    const std::optional<unsigned char> second = foldBit(pair.second);
    if (first && second)
        m_foldBits = { *first, *second };
}

bool PairScanner::isPair(const char* at, const char* end) const
{
    return std::size_t(end - at) > m_pair.distance
        && m_pair.first.holds(static_cast<unsigned char>(*at))
        && m_pair.second.holds(static_cast<unsigned char>(at[m_pair.distance]));
}

template<bool skims>
const char* PairScanner::scan(const char* from, const char* end, std::uint64_t& lineFeeds) const
{
    const char* at = from;
#if defined(VELMORA_X86_SIMD)
    if (m_level == SimdLevel::Avx2 && m_foldBits)
        at = skipWithAvx2<skims>(at, end, lineFeeds);
    else if (m_level != SimdLevel::Portable)
        at = skipWithSse2<skims>(at, end, lineFeeds);
#endif
    for (; at < end; ++at) {
        if (isPair(at, end))
            return at;
        if constexpr (skims) {
            if (*at == '\r' && at + 1 < end && at[1] != '\n')
                return at;
            lineFeeds += *at == '\n';
        }
    }
    return end;
}

const char* PairScanner::find(const char* from, const char* end, std::uint64_t& lineFeeds) const
{
    return scan<true>(from, end, lineFeeds);
}

const char* PairScanner::findPair(const char* from, const char* end) const
{
    std::uint64_t unused = 0;
    return scan<false>(from, end, unused);
}

#if defined(VELMORA_X86_SIMD)
// Each comparison set holds at most two values (a letter in both cases). The first place worth
// a look is returned as soon as a block holds one; blocks that reach too near the end are left
// to the plain way.
template<bool skims>
const char* PairScanner::skipWithSse2(const char* at, const char* end,
                                      std::uint64_t& lineFeeds) const
{
    const __m128i first0 = _mm_set1_epi8(char(m_pair.first.values[0]));
    const __m128i first1 = _mm_set1_epi8(char(m_pair.first.values[1]));
    const __m128i second0 = _mm_set1_epi8(char(m_pair.second.values[0]));
    const __m128i second1 = _mm_set1_epi8(char(m_pair.second.values[1]));
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const std::size_t reach = std::max<std::size_t>(m_pair.distance, 1) + 16;
    for (; std::size_t(end - at) >= reach; at += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i there
            = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + m_pair.distance));
        __m128i found = _mm_and_si128(
            _mm_or_si128(_mm_cmpeq_epi8(here, first0), _mm_cmpeq_epi8(here, first1)),
            _mm_or_si128(_mm_cmpeq_epi8(there, second0), _mm_cmpeq_epi8(there, second1)));
        if constexpr (skims) {
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
            found = _mm_or_si128(found,
                                 _mm_andnot_si128(_mm_cmpeq_epi8(next, lineFeed),
                                                  _mm_cmpeq_epi8(here, carriageReturn)));
        }
        const auto places = std::uint32_t(_mm_movemask_epi8(found));
        const auto lineFeedBits
            = skims ? std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lineFeed))) : 0;
        if (places != 0) {
            const int first = __builtin_ctz(places);
            lineFeeds += std::uint64_t(
                PortableClassifier::bitCount(lineFeedBits & ((std::uint32_t(1) << first) - 1)));
            return at + first;
        }
        lineFeeds += std::uint64_t(PortableClassifier::bitCount(lineFeedBits));
    }
    return at;
}

namespace {

/// Where a block of 32 bytes holds the pair. A value of a set is found as itself with its fold
/// bit set.
VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) __m256i
pairIn(__m256i here, __m256i there, __m256i firstFold, __m256i firstValue, __m256i secondFold,
       __m256i secondValue)
{
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(here, firstFold), firstValue),
                            _mm256_cmpeq_epi8(_mm256_or_si256(there, secondFold), secondValue));
}

/// Where a block of 32 bytes holds a carriage return that ends no line.
VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) __m256i strayReturnsIn(__m256i here,
                                                                                 __m256i next)
{
    return _mm256_andnot_si256(_mm256_cmpeq_epi8(next, _mm256_set1_epi8('\n')),
                               _mm256_cmpeq_epi8(here, _mm256_set1_epi8('\r')));
}

VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) std::uint64_t sumOfLanes(__m256i tally)
{
    const __m256i sums = _mm256_sad_epu8(tally, _mm256_setzero_si256());
    return std::uint64_t(_mm256_extract_epi64(sums, 0))
        + std::uint64_t(_mm256_extract_epi64(sums, 1))
        + std::uint64_t(_mm256_extract_epi64(sums, 2))
        + std::uint64_t(_mm256_extract_epi64(sums, 3));
}

VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) __m256i load(const char* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

} // namespace

// 64 bytes a block, each set one comparison. Line feeds are tallied per byte lane and summed
// now and then, not per block: a lane gains at most two per block, so 127 blocks fit its byte.
template<bool skims>
VELMORA_TARGET_AVX2 const char* PairScanner::skipWithAvx2(const char* at, const char* end,
                                                          std::uint64_t& lineFeeds) const
{
    const __m256i firstFold = _mm256_set1_epi8(char(m_foldBits->first));
    const __m256i firstValue = _mm256_set1_epi8(char(m_pair.first.values[0] | m_foldBits->first));
    const __m256i secondFold = _mm256_set1_epi8(char(m_foldBits->second));
    const __m256i secondValue
        = _mm256_set1_epi8(char(m_pair.second.values[0] | m_foldBits->second));
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    const std::size_t distance = m_pair.distance;
    const std::size_t reach = std::max<std::size_t>(distance, 1) + 64;
    __m256i tally = _mm256_setzero_si256();
    int tallied = 0;
    for (; std::size_t(end - at) >= reach; at += 64) {
        const __m256i low = load(at);
        const __m256i high = load(at + 32);
        __m256i placesLow
            = pairIn(low, load(at + distance), firstFold, firstValue, secondFold, secondValue);
        __m256i placesHigh = pairIn(high, load(at + distance + 32), firstFold, firstValue,
                                    secondFold, secondValue);
        if constexpr (skims) {
            placesLow = _mm256_or_si256(placesLow, strayReturnsIn(low, load(at + 1)));
            placesHigh = _mm256_or_si256(placesHigh, strayReturnsIn(high, load(at + 33)));
        }
        const __m256i lineFeedsLow = _mm256_cmpeq_epi8(low, lineFeed);
        const __m256i lineFeedsHigh = _mm256_cmpeq_epi8(high, lineFeed);
        const __m256i places = _mm256_or_si256(placesLow, placesHigh);
        if (!_mm256_testz_si256(places, places)) {
            const std::uint64_t placeBits
                = std::uint64_t(std::uint32_t(_mm256_movemask_epi8(placesLow)))
                | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(placesHigh))) << 32;
            const int first = __builtin_ctzll(placeBits);
            if constexpr (skims) {
                const std::uint64_t lineFeedBits
                    = std::uint64_t(std::uint32_t(_mm256_movemask_epi8(lineFeedsLow)))
                    | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(lineFeedsHigh))) << 32;
                lineFeeds += sumOfLanes(tally)
                    + std::uint64_t(__builtin_popcountll(lineFeedBits
                                                         & ((std::uint64_t(1) << first) - 1)));
            }
            return at + first;
        }
        if constexpr (skims) {
            // Each line feed compares as -1.
            tally = _mm256_sub_epi8(_mm256_sub_epi8(tally, lineFeedsLow), lineFeedsHigh);
            if (++tallied == 127) {
                lineFeeds += sumOfLanes(tally);
                tally = _mm256_setzero_si256();
                tallied = 0;
            }
        }
    }
    if constexpr (skims)
        lineFeeds += sumOfLanes(tally);
    return at;
}
#endif

} // namespace velmora
