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
/// (of three bytes or four) from E0 up, `fourByteLeads` from F0 up. `invalidLeads` marks the
/// bytes that never start a valid sequence (C0, C1, F5 to FF). The leads E0 and F0 raise the
/// floor of their second byte (to A0 and 90: shorter forms are overlong), ED and F4 lower its
/// ceiling (to 9F and 8F: surrogates, code points past 10FFFF); whether a continuation byte
/// is in such a range shows in its bits 20 and 10, kept for every byte.
struct Utf8Masks
{
    std::uint64_t continuations = 0;
    std::uint64_t leads = 0;
    std::uint64_t longLeads = 0;
    std::uint64_t fourByteLeads = 0;
    std::uint64_t invalidLeads = 0;
    std::uint64_t raisedFloorLeads = 0;
    std::uint64_t loweredCeilingLeads = 0;
    std::uint64_t withBit20 = 0;
    std::uint64_t withBit10 = 0;

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

/// Checks the second bytes of E0, ED, F0 and F4 against their narrower ranges, chunk after
/// chunk, carrying a lead in a chunk's last byte to the next chunk's first. Together with
/// `invalidLeads` and the continuation bytes where leads call for them, this finds every
/// invalid sequence: Unicode's table of well-formed UTF-8 differs from "a lead from C2 to F4
/// and its continuation bytes" only in these four second bytes.
class SecondByteCheck
{
public:
    /// The second bytes in `masks` that are out of their lead's range. A chunk that is all
    /// ASCII may be passed with skipAsciiChunk() instead.
    std::uint64_t outOfRange(const Utf8Masks& masks)
    {
        const std::uint64_t afterRaisedFloor = (masks.raisedFloorLeads << 1) | m_raisedFloorAhead;
        const std::uint64_t afterLoweredCeiling
            = (masks.loweredCeilingLeads << 1) | m_loweredCeilingAhead;
        const std::uint64_t afterFourByteLead = (masks.fourByteLeads << 1) | m_fourByteLeadAhead;
        m_raisedFloorAhead = masks.raisedFloorLeads >> 63;
        m_loweredCeilingAhead = masks.loweredCeilingLeads >> 63;
        m_fourByteLeadAhead = masks.fourByteLeads >> 63;
        // Above E0's floor and ED's ceiling from A0 (bit 20); F0's and F4's from 90, whose
        // ranges add bit 10.
        const std::uint64_t high = masks.withBit20 | (afterFourByteLead & masks.withBit10);
        return (afterRaisedFloor & ~high) | (afterLoweredCeiling & high);
    }

    /// Passes a chunk that is all ASCII, where a second byte awaited is missing and found so.
    void skipAsciiChunk()
    {
        m_raisedFloorAhead = 0;
        m_loweredCeilingAhead = 0;
        m_fourByteLeadAhead = 0;
    }

private:
    std::uint64_t m_raisedFloorAhead = 0;
    std::uint64_t m_loweredCeilingAhead = 0;
    std::uint64_t m_fourByteLeadAhead = 0;
};

} // namespace velmora
