#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

/// Up to four byte values that the line filter wants to hear about; unused places repeat the
/// first value so that a scan can always compare all four.
struct CandidateBytes
{
    std::array<unsigned char, 4> values {};
    int size = 0;

    void add(unsigned char value)
    {
        for (int i = 0; i < size; ++i) {
            if (values[std::size_t(i)] == value)
                return;
        }
        Q_ASSERT(size < int(values.size()));
        values[std::size_t(size++)] = value;
        for (std::size_t i = std::size_t(size); i < values.size(); ++i)
            values[i] = values[0];
    }
};

/// Bit i of each mask stands for byte i of a 64-byte chunk.
struct ChunkMasks
{
    std::uint64_t lineFeeds = 0;
    std::uint64_t carriageReturns = 0;
    std::uint64_t nonAscii = 0;
    std::uint64_t candidates = 0;
};

/// The UTF-8 structure of a 64-byte chunk, bit i again for byte i. `trouble` marks bytes that
/// never start a valid sequence (C0, C1, F5 to FF) and the leads whose second byte has a
/// narrower range (E0, ED, F0, F4): lines holding them are decoded the careful way.
struct Utf8Masks
{
    std::uint64_t continuations = 0;
    std::uint64_t twoByteLeads = 0;
    std::uint64_t threeByteLeads = 0;
    std::uint64_t fourByteLeads = 0;
    std::uint64_t trouble = 0;
};

/// Finds the bytes that matter to the line counter in 64 bytes at a time, so that most lines
/// are cut, counted and filtered from a few bit masks without looking at their bytes again.
class ChunkClassifier
{
public:
    explicit ChunkClassifier(const CandidateBytes& candidates)
        : m_candidates(candidates)
    {
#if defined(__SSE2__)
        for (std::size_t i = 0; i < 4; ++i)
            m_candidateVectors[i] = _mm_set1_epi8(char(candidates.values[i]));
#endif
    }

    /// Reads exactly 64 bytes from `chunk`.
    ChunkMasks classify(const char* chunk) const
    {
#if defined(__SSE2__)
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
            if (m_candidates.size > 0) {
                const __m128i found
                    = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, m_candidateVectors[0]),
                                                _mm_cmpeq_epi8(bytes, m_candidateVectors[1])),
                                   _mm_or_si128(_mm_cmpeq_epi8(bytes, m_candidateVectors[2]),
                                                _mm_cmpeq_epi8(bytes, m_candidateVectors[3])));
                masks.candidates |= bitsOf(found) << shift;
            }
        }
        return masks;
#else
        return classifyPortably(chunk);
#endif
    }

    /// Reads exactly 64 bytes from `chunk`; only worth it where nonAscii was not empty.
    static Utf8Masks classifyUtf8(const char* chunk)
    {
#if defined(__SSE2__)
        // Bytes from 0x80 up are negative as signed chars, and each class is one range there.
        const auto between = [](__m128i bytes, int low, int high) {
            return _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(char(low - 1))),
                                 _mm_cmplt_epi8(bytes, _mm_set1_epi8(char(high + 1))));
        };
        const auto is = [](__m128i bytes, int value) {
            return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(char(value)));
        };
        Utf8Masks masks;
        for (int part = 0; part < 4; ++part) {
            const __m128i bytes
                = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16 * part));
            const int shift = 16 * part;
            masks.continuations |= bitsOf(_mm_cmplt_epi8(bytes, _mm_set1_epi8(-64))) << shift;
            masks.twoByteLeads |= bitsOf(between(bytes, -62, -33)) << shift;
            masks.threeByteLeads |= bitsOf(between(bytes, -32, -17)) << shift;
            masks.fourByteLeads |= bitsOf(between(bytes, -16, -12)) << shift;
            const __m128i trouble
                = _mm_or_si128(_mm_or_si128(between(bytes, -64, -63), between(bytes, -11, -1)),
                               _mm_or_si128(_mm_or_si128(is(bytes, 0xE0), is(bytes, 0xED)),
                                            _mm_or_si128(is(bytes, 0xF0), is(bytes, 0xF4))));
            masks.trouble |= bitsOf(trouble) << shift;
        }
        return masks;
#else
        return classifyUtf8Portably(chunk);
#endif
    }

    static Utf8Masks classifyUtf8Portably(const char* chunk)
    {
        Utf8Masks masks;
        for (int i = 0; i < 64; ++i) {
            const auto byte = static_cast<unsigned char>(chunk[i]);
            const std::uint64_t bit = std::uint64_t(1) << i;
            if (byte >= 0x80 && byte <= 0xBF)
                masks.continuations |= bit;
            if (byte >= 0xC2 && byte <= 0xDF)
                masks.twoByteLeads |= bit;
            if (byte >= 0xE0 && byte <= 0xEF)
                masks.threeByteLeads |= bit;
            if (byte >= 0xF0 && byte <= 0xF4)
                masks.fourByteLeads |= bit;
            if (byte == 0xC0 || byte == 0xC1 || byte >= 0xF5 || byte == 0xE0 || byte == 0xED
                || byte == 0xF0 || byte == 0xF4)
                masks.trouble |= bit;
        }
        return masks;
    }

    /// The same masks one byte at a time: for machines without SSE2, and to check the fast way.
    ChunkMasks classifyPortably(const char* chunk) const
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
            for (int c = 0; c < m_candidates.size; ++c) {
                if (byte == m_candidates.values[std::size_t(c)])
                    masks.candidates |= bit;
            }
        }
        return masks;
    }

private:
#if defined(__SSE2__)
    static std::uint64_t bitsOf(__m128i bytes)
    {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes)));
    }

    __m128i m_candidateVectors[4] {};
#endif
    CandidateBytes m_candidates;
};

} // namespace velmora
