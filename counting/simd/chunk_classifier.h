#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <vector>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#include <immintrin.h>
#define VELMORA_X86_SIMD 1
/// Code for processors with AVX2 and POPCNT, reached only after a run-time check.
#define VELMORA_TARGET_AVX2 __attribute__((target("avx2,popcnt")))
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

    bool holds(unsigned char value) const
    {
        for (int i = 0; i < size; ++i) {
            if (values[std::size_t(i)] == value)
                return true;
        }
        return false;
    }
};

/// Two bytes of a filter text at a fixed distance: where a line holds the text, one of
/// `first` stands somewhere and one of `second` `distance` bytes further on, unless a carriage
/// return inside the line comes between them.
struct CandidatePair
{
    CandidateBytes first;
    CandidateBytes second;
    std::size_t distance = 0;
};

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
/// (of three bytes or four) from E0 up, `fourByteLeads` from F0 up. `trouble` marks bytes that
/// never start a valid sequence (C0, C1, F5 to FF) and the leads whose second byte has a
/// narrower range (E0, ED, F0, F4): lines holding them are decoded the careful way.
struct Utf8Masks
{
    std::uint64_t continuations = 0;
    std::uint64_t leads = 0;
    std::uint64_t longLeads = 0;
    std::uint64_t fourByteLeads = 0;
    std::uint64_t trouble = 0;

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

/// The instruction sets the line counter can classify chunks with. Each gives the same masks;
/// Portable runs on any processor and is the reference the others are checked against.
enum class SimdLevel { Portable, Sse2, Avx2 };

/// The fastest level this processor runs.
SimdLevel bestSimdLevel();
/// Every level this processor runs, Portable first.
std::vector<SimdLevel> availableSimdLevels();

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
            if (byte == 0xC0 || byte == 0xC1 || byte >= 0xF5 || byte == 0xE0 || byte == 0xED
                || byte == 0xF0 || byte == 0xF4)
                masks.trouble |= bit;
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

#if defined(VELMORA_X86_SIMD)

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
        // Bytes from 0x80 up are negative as signed chars, where C0 C1 and F5 to FF are ranges.
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
            // Doubling a byte brings its next bit to the top, where the byte mask takes it.
            const __m128i doubled = _mm_add_epi8(bytes, bytes);
            const __m128i quadrupled = _mm_add_epi8(doubled, doubled);
            const std::uint64_t nonAscii = bitsOf(bytes);
            const std::uint64_t leads = nonAscii & bitsOf(doubled);
            const std::uint64_t longLeads = leads & bitsOf(quadrupled);
            masks.continuations |= (nonAscii & ~leads) << shift;
            masks.leads |= leads << shift;
            masks.longLeads |= longLeads << shift;
            masks.fourByteLeads |= (longLeads & bitsOf(_mm_add_epi8(quadrupled, quadrupled)))
                << shift;
            const __m128i trouble
                = _mm_or_si128(_mm_or_si128(between(bytes, -64, -63), between(bytes, -11, -1)),
                               _mm_or_si128(_mm_or_si128(is(bytes, 0xE0), is(bytes, 0xED)),
                                            _mm_or_si128(is(bytes, 0xF0), is(bytes, 0xF4))));
            masks.trouble |= bitsOf(trouble) << shift;
        }
        return masks;
    }

    static int bitCount(std::uint64_t bits) { return PortableClassifier::bitCount(bits); }

private:
    static std::uint64_t bitsOf(__m128i bytes)
    {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes)));
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
        masks.longLeads = masks.leads & join(lowQuadrupled, highQuadrupled);
        masks.fourByteLeads = masks.longLeads
            & join(_mm256_add_epi8(lowQuadrupled, lowQuadrupled),
                   _mm256_add_epi8(highQuadrupled, highQuadrupled));
        masks.trouble = join(trouble(low), trouble(high));
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

    /// Looked up by each half of the byte: a byte is trouble where the entries of its halves
    /// share a bit. The high halves C, E and F have a bit each, and a low half the bits of those
    /// it makes trouble with: C0 C1, E0 ED, F0 F4 and F5 to FF.
    VELMORA_TARGET_AVX2 static __m256i trouble(__m256i bytes)
    {
        constexpr char c = 1, e = 2, f = 4;
        const __m256i byHighHalf = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, c, 0, e, f,
                                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, c, 0, e, f);
        const __m256i byLowHalf
            = _mm256_setr_epi8(c | e | f, c, 0, 0, f, f, f, f, f, f, f, f, f, e | f, f, f,
                               c | e | f, c, 0, 0, f, f, f, f, f, f, f, f, f, e | f, f, f);
        const __m256i halfMask = _mm256_set1_epi8(0x0F);
        const __m256i highHalves = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), halfMask);
        const __m256i lowHalves = _mm256_and_si256(bytes, halfMask);
        const __m256i shared = _mm256_and_si256(_mm256_shuffle_epi8(byHighHalf, highHalves),
                                                _mm256_shuffle_epi8(byLowHalf, lowHalves));
        return _mm256_cmpgt_epi8(shared, _mm256_setzero_si256());
    }

    __m256i m_candidates[4];
    bool m_anyCandidates;
};

#endif

} // namespace velmora
