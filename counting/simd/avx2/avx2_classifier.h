#pragma once

#include "counting/match/candidate_bytes.h"
#include "counting/simd/chunk_masks.h"
#include "counting/simd/simd_level.h"

#if defined(VELMORA_X86_SIMD)

#include <cstdint>
#include <immintrin.h>

namespace velmora {

/// The same masks thirty-two bytes at a time; only for processors with AVX2 and POPCNT.
class Avx2Classifier
{
public:
    VELMORA_TARGET_AVX2 explicit Avx2Classifier(const CandidateBytes& candidates)
        : m_anyCandidates(candidates.size > 0)
    {
        for (std::size_t i = 0; i < 4; ++i)
            m_candidates[i] = _mm256_set1_epi8(char(candidates.values[i]));
    }

    VELMORA_TARGET_AVX2 ChunkMasks classify(const char* chunk) const
    {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk + 32));
        const __m256i lineFeed = _mm256_set1_epi8('\n');
        const __m256i carriageReturn = _mm256_set1_epi8('\r');
        ChunkMasks masks;
        masks.lineFeeds = join(_mm256_cmpeq_epi8(low, lineFeed), _mm256_cmpeq_epi8(high, lineFeed));
        masks.carriageReturns
            = join(_mm256_cmpeq_epi8(low, carriageReturn), _mm256_cmpeq_epi8(high, carriageReturn));
        masks.nonAscii = join(low, high);
        if (m_anyCandidates)
            masks.candidates = join(anyOf(low, m_candidates), anyOf(high, m_candidates));
        return masks;
    }

    VELMORA_TARGET_AVX2 static Utf8Masks classifyUtf8(const char* chunk)
    {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chunk + 32));
        // Doubling a byte brings its next bit to the top, where the byte mask takes it.
        const __m256i lowDoubled = _mm256_add_epi8(low, low);
        const __m256i highDoubled = _mm256_add_epi8(high, high);
        const __m256i lowQuadrupled = _mm256_add_epi8(lowDoubled, lowDoubled);
        const __m256i highQuadrupled = _mm256_add_epi8(highDoubled, highDoubled);
        const std::uint64_t nonAscii = join(low, high);
        Utf8Masks masks;
        masks.leads = nonAscii & join(lowDoubled, highDoubled);
        masks.continuations = nonAscii & ~masks.leads;
        masks.withBit20 = join(lowQuadrupled, highQuadrupled);
        masks.withBit10 = join(_mm256_add_epi8(lowQuadrupled, lowQuadrupled),
                               _mm256_add_epi8(highQuadrupled, highQuadrupled));
        masks.longLeads = masks.leads & masks.withBit20;
        masks.fourByteLeads = masks.longLeads & masks.withBit10;
        masks.invalidLeads = join(invalidLeads(low), invalidLeads(high));
        masks.raisedFloorLeads = join(raisedFloorLeads(low), raisedFloorLeads(high));
        masks.loweredCeilingLeads = join(loweredCeilingLeads(low), loweredCeilingLeads(high));
        return masks;
    }

    VELMORA_TARGET_AVX2 static int bitCount(std::uint64_t bits)
    {
        return __builtin_popcountll(bits);
    }

private:
    VELMORA_TARGET_AVX2 static std::uint64_t join(__m256i low, __m256i high)
    {
        return std::uint64_t(std::uint32_t(_mm256_movemask_epi8(low)))
            | (std::uint64_t(std::uint32_t(_mm256_movemask_epi8(high))) << 32);
    }

    VELMORA_TARGET_AVX2 static __m256i anyOf(__m256i bytes, const __m256i (&values)[4])
    {
        return _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, values[0]),
                                               _mm256_cmpeq_epi8(bytes, values[1])),
                               _mm256_or_si256(_mm256_cmpeq_epi8(bytes, values[2]),
                                               _mm256_cmpeq_epi8(bytes, values[3])));
    }

    VELMORA_TARGET_AVX2 static __m256i is(__m256i bytes, int value)
    {
        return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(char(value)));
    }

    /// C0 and C1 (C0 once bit 1 is cleared), F5 to FF (their own maximum with F5).
    VELMORA_TARGET_AVX2 static __m256i invalidLeads(__m256i bytes)
    {
        const __m256i highest = _mm256_set1_epi8(char(0xF5));
        return _mm256_or_si256(is(_mm256_and_si256(bytes, _mm256_set1_epi8(char(0xFE))), 0xC0),
                               _mm256_cmpeq_epi8(_mm256_max_epu8(bytes, highest), bytes));
    }

    /// E0 and F0: the bytes that setting bit 10 makes F0.
    VELMORA_TARGET_AVX2 static __m256i raisedFloorLeads(__m256i bytes)
    {
        return is(_mm256_or_si256(bytes, _mm256_set1_epi8(0x10)), 0xF0);
    }

    VELMORA_TARGET_AVX2 static __m256i loweredCeilingLeads(__m256i bytes)
    {
        return _mm256_or_si256(is(bytes, 0xED), is(bytes, 0xF4));
    }

    __m256i m_candidates[4];
    bool m_anyCandidates;
};

} // namespace velmora

#endif
