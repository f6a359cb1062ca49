#pragma once

#include "counting/match/candidate_bytes.h"
#include "counting/simd/chunk_masks.h"

#include <cstdint>

namespace velmora {

/// Finds the bytes that matter to the line counter one byte at a time: for processors without
/// vector instructions, and to check the vector ways against.
class PortableClassifier
{
public:
    explicit PortableClassifier(const CandidateBytes& candidates)
        : m_candidates(candidates)
    { }

    /// Reads exactly 64 bytes from `chunk`.
    ChunkMasks classify(const char* chunk) const
    {
        ChunkMasks masks;
        for (int i = 0; i < 64; ++i) {
            const auto byte = static_cast<unsigned char>(chunk[i]);
            const std::uint64_t bit = std::uint64_t(1) << i;
            if (byte == '\n')
                masks.lineFeeds |= bit;
            if (byte == '\r')
                masks.carriageReturns |= bit;
            if (byte >= 0x80)
                masks.nonAscii |= bit;
            if (m_candidates.holds(byte))
                masks.candidates |= bit;
        }
        return masks;
    }

    /// Reads exactly 64 bytes from `chunk`; only worth it where nonAscii was not empty.
    static Utf8Masks classifyUtf8(const char* chunk)
    {
        Utf8Masks masks;
        for (int i = 0; i < 64; ++i) {
            const auto byte = static_cast<unsigned char>(chunk[i]);
            const std::uint64_t bit = std::uint64_t(1) << i;
            if (byte >= 0x80 && byte <= 0xBF)
                masks.continuations |= bit;
            if (byte >= 0xC0)
                masks.leads |= bit;
            if (byte >= 0xE0)
                masks.longLeads |= bit;
            if (byte >= 0xF0)
                masks.fourByteLeads |= bit;
            if (byte == 0xC0 || byte == 0xC1 || byte >= 0xF5)
                masks.invalidLeads |= bit;
            if (byte == 0xE0 || byte == 0xF0)
                masks.raisedFloorLeads |= bit;
            if (byte == 0xED || byte == 0xF4)
                masks.loweredCeilingLeads |= bit;
            if (byte & 0x20)
                masks.withBit20 |= bit;
            if (byte & 0x10)
                masks.withBit10 |= bit;
        }
        return masks;
    }

    /// Set bits of `bits`, written out because x86-64's baseline has no popcount instruction
    /// and the compiler's fallback is a library call.
    static int bitCount(std::uint64_t bits)
    {
        bits -= (bits >> 1) & 0x5555555555555555;
        bits = (bits & 0x3333333333333333) + ((bits >> 2) & 0x3333333333333333);
        bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0F;
        return int((bits * 0x0101010101010101) >> 56);
    }

private:
    CandidateBytes m_candidates;
};

} // namespace velmora
