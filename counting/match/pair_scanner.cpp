#include "pair_scanner.h"

#include "counting/simd/simd_kernels.h"

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
    , m_kernels(simdKernels(level))
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

template<bool tracksLines>
const char* PairScanner::scan(const char* from, const char* end, std::uint64_t& lineFeeds) const
{
    const char* at = from;
    if constexpr (tracksLines)
        at = m_kernels.skipToPairOrStrayReturn(*this, at, end, lineFeeds);
    else
        at = m_kernels.skipToPair(*this, at, end);
    for (; at < end; ++at) {
        if (isPair(at, end))
            return at;
        if constexpr (tracksLines) {
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

} // namespace velmora
