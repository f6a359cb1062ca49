#include "pair_scanner.h"

#include <algorithm>

namespace velmora {

PairScanner::PairScanner(const CandidatePair& pair, SimdLevel level)
    : m_pair(pair)
    , m_level(level)
{ }

bool PairScanner::isCandidate(const char* at, const char* end) const
{
    if (*at == '\r' && at + 1 < end && at[1] != '\n')
        return true;
    return std::size_t(end - at) > m_pair.distance
        && m_pair.first.holds(static_cast<unsigned char>(*at))
        && m_pair.second.holds(static_cast<unsigned char>(at[m_pair.distance]));
}

const char* PairScanner::find(const char* from, const char* end, std::uint64_t& lineFeeds) const
{
    const char* at = from;
#if defined(VELMORA_X86_SIMD)
    if (m_level == SimdLevel::Avx2)
        at = skipWithAvx2(at, end, lineFeeds);
    else if (m_level == SimdLevel::Sse2)
        at = skipWithSse2(at, end, lineFeeds);
#endif
    for (; at < end; ++at) {
        if (isCandidate(at, end))
            return at;
        lineFeeds += *at == '\n';
    }
    return end;
}

#if defined(VELMORA_X86_SIMD)
// Each comparison set holds at most two values (a letter in both cases). The first place worth
// a look is returned as soon as a block holds one; blocks that reach too near the end are left
// to the plain way.
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
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
        const __m128i there
            = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + m_pair.distance));
        const __m128i pair = _mm_and_si128(
            _mm_or_si128(_mm_cmpeq_epi8(here, first0), _mm_cmpeq_epi8(here, first1)),
            _mm_or_si128(_mm_cmpeq_epi8(there, second0), _mm_cmpeq_epi8(there, second1)));
        const __m128i strayReturn = _mm_andnot_si128(_mm_cmpeq_epi8(next, lineFeed),
                                                     _mm_cmpeq_epi8(here, carriageReturn));
        const auto places = std::uint32_t(_mm_movemask_epi8(_mm_or_si128(pair, strayReturn)));
        const auto lineFeedBits = std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lineFeed)));
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

VELMORA_TARGET_AVX2 const char* PairScanner::skipWithAvx2(const char* at, const char* end,
                                                          std::uint64_t& lineFeeds) const
{
    const __m256i first0 = _mm256_set1_epi8(char(m_pair.first.values[0]));
    const __m256i first1 = _mm256_set1_epi8(char(m_pair.first.values[1]));
    const __m256i second0 = _mm256_set1_epi8(char(m_pair.second.values[0]));
    const __m256i second1 = _mm256_set1_epi8(char(m_pair.second.values[1]));
    const __m256i carriageReturn = _mm256_set1_epi8('\r');
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    const std::size_t reach = std::max<std::size_t>(m_pair.distance, 1) + 32;
    for (; std::size_t(end - at) >= reach; at += 32) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
        const __m256i there
            = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + m_pair.distance));
        const __m256i pair = _mm256_and_si256(
            _mm256_or_si256(_mm256_cmpeq_epi8(here, first0), _mm256_cmpeq_epi8(here, first1)),
            _mm256_or_si256(_mm256_cmpeq_epi8(there, second0), _mm256_cmpeq_epi8(there, second1)));
        const __m256i strayReturn = _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lineFeed),
                                                        _mm256_cmpeq_epi8(here, carriageReturn));
        const auto places = std::uint32_t(_mm256_movemask_epi8(_mm256_or_si256(pair, strayReturn)));
        const auto lineFeedBits
            = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(here, lineFeed)));
        if (places != 0) {
            const int first = __builtin_ctz(places);
            lineFeeds += std::uint64_t(
                __builtin_popcount(lineFeedBits & std::uint32_t((std::uint64_t(1) << first) - 1)));
            return at + first;
        }
        lineFeeds += std::uint64_t(__builtin_popcount(lineFeedBits));
    }
    return at;
}
#endif

} // namespace velmora
