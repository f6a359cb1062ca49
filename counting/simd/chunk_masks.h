#pragma once

#include <cstdint>

namespace velmora {

/// Bit i of each mask stands for byte i of a 64-byte chunk.
struct ChunkMasks
{
    std::uint64_t lineFeeds = 0;
    std::uint64_t carriageReturns = 0;
    std::uint64_t nonAscii = 0;
    std::uint64_t candidates = 0;
};

/// The UTF-8 structure of a 64-byte chunk, bit i again for byte i: the continuation bytes (80
/// to BF), and the leads by the bits that tell their length: `leads` from C0 up, `longLeads`
/// (of three bytes or four) from E0 up, `fourByteLeads` from F0 up. `invalidOrNarrowLeads`
/// marks bytes that never start a valid sequence (C0, C1, F5 to FF) and the leads whose second
/// byte has a narrower range (E0, ED, F0, F4): lines holding them are decoded the careful way,
/// unless the second byte is in range.
struct Utf8Masks
{
    std::uint64_t continuations = 0;
    std::uint64_t leads = 0;
    std::uint64_t longLeads = 0;
    std::uint64_t fourByteLeads = 0;
    std::uint64_t invalidOrNarrowLeads = 0;

    /// The bytes of the chunk that its leads call continuation bytes.
    std::uint64_t calledFor() const
    {
        return (leads << 1) | (longLeads << 2) | (fourByteLeads << 3);
    }
    /// The same for the first bytes of the next chunk.
    std::uint64_t calledForNext() const
    {
        return (leads >> 63) | (longLeads >> 62) | (fourByteLeads >> 61);
    }
};

} // namespace velmora
