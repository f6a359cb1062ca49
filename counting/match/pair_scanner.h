#pragma once

#include "candidate_bytes.h"
#include "counting/simd/simd_level.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace velmora {

struct SimdKernels;

/// Finds the places worth a closer look, a vector of bytes at a time: where the filter's pair
/// stands and, when only lines holding the text matter, a carriage return inside a line (whose
/// removal may close up the text). Lines without either are skipped without ever being cut.
class PairScanner
{
public:
    /// `level` chooses the instructions; every level finds the same places.
    PairScanner(const CandidatePair& pair, SimdLevel level);

    /// The first such place in [from, end), or `end`. `end` must follow a line feed. Adds the
    /// line feeds in front of that place to `lineFeeds`.
    const char* find(const char* from, const char* end, std::uint64_t& lineFeeds) const;
    /// The first place in [from, end) where the pair stands, or `end`; carriage returns and
    /// line feeds are passed over unseen. `end` must follow a line feed.
    const char* findPair(const char* from, const char* end) const;

    /// The filter's pair.
    const CandidatePair& pair() const { return m_pair; }
    /// For each set, the bit in which its two values differ (0 for one value), where each
    /// set's values differ in one bit at most: then one comparison finds either value.
    const std::optional<std::pair<unsigned char, unsigned char>>& foldBits() const
    {
        return m_foldBits;
    }

private:
    /// `tracksLines`: stops at carriage returns inside lines too, and counts line feeds.
    template<bool tracksLines>
    const char* scan(const char* from, const char* end, std::uint64_t& lineFeeds) const;
    bool isPair(const char* at, const char* end) const;

    CandidatePair m_pair;
    std::optional<std::pair<unsigned char, unsigned char>> m_foldBits;
    /// The vector skips of the level.
    const SimdKernels& m_kernels;
};

} // namespace velmora
