#pragma once

#include "counting/simd/portable/portable_classifier.h"
#include "counting/simd/simd_level.h"

#if defined(VELMORA_X86_SIMD)

#include <cstdint>
#include <immintrin.h>

namespace velmora {

/// The same masks sixteen bytes at a time, with the instructions every x86-64 processor has.
class Sse2Classifier
{
public:
    explicit Sse2Classifier(const CandidateBytes& candidates)
        : m_anyCandidates(candidates.size > 0)
    {
        for (std::size_t i = 0; i < 4; ++i)
            m_candidates[i] = _mm_set1_epi8(char(candidates.values[i]));
    }

    ChunkMasks classify(const char* chunk) const
    {
        ChunkMasks masks;
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        for (int part = 0; part < 4; ++part) {
            const __m128i bytes
                = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16 * part));
            const int shift = 16 * part;
            masks.lineFeeds |= bitsOf(_mm_cmpeq_epi8(bytes, lineFeed)) << shift;
            masks.carriageReturns |= bitsOf(_mm_cmpeq_epi8(bytes, carriageReturn)) << shift;
            masks.nonAscii |= bitsOf(bytes) << shift;
            if (m_anyCandidates)
                masks.candidates |= bitsOf(anyOf(bytes, m_candidates)) << shift;
        }
        return masks;
    }

    static Utf8Masks classifyUtf8(const char* chunk)
    {
        Utf8Masks masks;
        for (int part = 0; part < 4; ++part) {
            const __m128i bytes
                = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16 * part));
            const int shift = 16 * part;
            // Doubling a byte brings its next bit to the top, where the byte mask takes it.
            const __m128i doubled = _mm_add_epi8(bytes, bytes);
            const __m128i quadrupled = _mm_add_epi8(doubled, doubled);
            const __m128i octupled = _mm_add_epi8(quadrupled, quadrupled);
            const std::uint64_t nonAscii = bitsOf(bytes);
            const std::uint64_t leads = nonAscii & bitsOf(doubled);
            const std::uint64_t withBit20 = bitsOf(quadrupled);
            const std::uint64_t longLeads = leads & withBit20;
            const std::uint64_t withBit10 = bitsOf(octupled);
            masks.continuations |= (nonAscii & ~leads) << shift;
            masks.leads |= leads << shift;
            masks.longLeads |= longLeads << shift;
            masks.fourByteLeads |= (longLeads & withBit10) << shift;
            masks.withBit20 |= withBit20 << shift;
            masks.withBit10 |= withBit10 << shift;
            masks.invalidLeads |= bitsOf(invalidLeads(bytes)) << shift;
            masks.raisedFloorLeads |= bitsOf(is(_mm_or_si128(bytes, _mm_set1_epi8(0x10)), 0xF0))
                << shift;
            masks.loweredCeilingLeads |= bitsOf(_mm_or_si128(is(bytes, 0xED), is(bytes, 0xF4)))
                << shift;
        }
        return masks;
    }

    static int bitCount(std::uint64_t bits) { return PortableClassifier::bitCount(bits); }

private:
    static std::uint64_t bitsOf(__m128i bytes)
    {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes)));
    }

    static __m128i is(__m128i bytes, int value)
    {
        return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(char(value)));
    }

    /// C0 and C1 (C0 once bit 1 is cleared), F5 to FF (their own maximum with F5).
    static __m128i invalidLeads(__m128i bytes)
    {
        const __m128i highest = _mm_set1_epi8(char(0xF5));
        return _mm_or_si128(is(_mm_and_si128(bytes, _mm_set1_epi8(char(0xFE))), 0xC0),
                            _mm_cmpeq_epi8(_mm_max_epu8(bytes, highest), bytes));
    }

    static __m128i anyOf(__m128i bytes, const __m128i (&values)[4])
    {
        return _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, values[0]), _mm_cmpeq_epi8(bytes, values[1])),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, values[2]), _mm_cmpeq_epi8(bytes, values[3])));
    }

    __m128i m_candidates[4];
    bool m_anyCandidates;
};

} // namespace velmora

#endif
