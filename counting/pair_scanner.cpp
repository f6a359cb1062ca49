#include "pair_scanner.h"

namespace velmora {

namespace {

bool isOneOf(unsigned char byte, const CandidateBytes& bytes)
{
    for (int i = 0; i < bytes.size; ++i) {
        if (byte == bytes.values[std::size_t(i)])
            return true;
    }
    return false;
}

} // namespace

PairScanner::PairScanner(const CandidatePair& pair)
    : m_pair(pair)
{ }

bool PairScanner::isCandidate(const char* at, const char* end) const
{
    if (*at == '\r' && at + 1 < end && at[1] != '\n')
        return true;
    return std::size_t(end - at) > m_pair.distance
        && isOneOf(static_cast<unsigned char>(*at), m_pair.first)
        && isOneOf(static_cast<unsigned char>(at[m_pair.distance]), m_pair.second);
}

const char* PairScanner::find(const char* from, const char* end) const
{
    const char* at = from;
#if defined(__SSE2__)
    // Each comparison set holds at most two values (a letter in both cases).
    const __m128i first0 = _mm_set1_epi8(char(m_pair.first.values[0]));
    const __m128i first1 = _mm_set1_epi8(char(m_pair.first.values[1]));
    const __m128i second0 = _mm_set1_epi8(char(m_pair.second.values[0]));
    const __m128i second1 = _mm_set1_epi8(char(m_pair.second.values[1]));
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const std::size_t reach = std::max<std::size_t>(m_pair.distance, 1) + 16;
    while (std::size_t(end - at) >= reach) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
        const __m128i there
            = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + m_pair.distance));
        const __m128i pair = _mm_and_si128(
            _mm_or_si128(_mm_cmpeq_epi8(here, first0), _mm_cmpeq_epi8(here, first1)),
            _mm_or_si128(_mm_cmpeq_epi8(there, second0), _mm_cmpeq_epi8(there, second1)));
        const __m128i strayReturn = _mm_andnot_si128(_mm_cmpeq_epi8(next, lineFeed),
                                                     _mm_cmpeq_epi8(here, carriageReturn));
        const int found = _mm_movemask_epi8(_mm_or_si128(pair, strayReturn));
        if (found != 0)
            return at + __builtin_ctz(unsigned(found));
        at += 16;
    }
#endif
    for (; at < end; ++at) {
        if (isCandidate(at, end))
            return at;
    }
    return end;
}

} // namespace velmora
