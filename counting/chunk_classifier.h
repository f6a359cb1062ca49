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
    PortableClassifier(const CandidateBytes& candidates, const CandidatePair& pair)
        : m_candidates(candidates)
        , m_pair(pair)
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

    /// Where the pair stands in the chunk: reads 64 bytes and the pair's distance more.
    std::uint64_t pairs(const char* chunk) const
    {
        std::uint64_t found = 0;
        for (std::size_t i = 0; i < 64; ++i) {
            if (m_pair.first.holds(static_cast<unsigned char>(chunk[i]))
                && m_pair.second.holds(static_cast<unsigned char>(chunk[i + m_pair.distance])))
                found |= std::uint64_t(1) << i;
        }
        return found;
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
    CandidatePair m_pair;
};

#if defined(VELMORA_X86_SIMD)

/// The same masks sixteen bytes at a time, with the instructions every x86-64 processor has.
class Sse2Classifier
{
public:
    Sse2Classifier(const CandidateBytes& candidates, const CandidatePair& pair)
        : m_anyCandidates(candidates.size > 0)
        , m_distance(pair.distance)
    {
        for (std::size_t i = 0; i < 4; ++i) {
            m_candidates[i] = _mm_set1_epi8(char(candidates.values[i]));
            m_first[i] = _mm_set1_epi8(char(pair.first.values[i]));
            m_second[i] = _mm_set1_epi8(char(pair.second.values[i]));
        }
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

    std::uint64_t pairs(const char* chunk) const
    {
        std::uint64_t found = 0;
        for (int part = 0; part < 4; ++part) {
            const char* at = chunk + 16 * part;
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            const __m128i there
                = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + m_distance));
            found |= bitsOf(_mm_and_si128(anyOf(here, m_first), anyOf(there, m_second)))
                << (16 * part);
        }
        return found;
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
    __m128i m_first[4];
    __m128i m_second[4];
    bool m_anyCandidates;
    std::size_t m_distance;
};

/// The same masks thirty-two bytes at a time; only for processors with AVX2 and POPCNT.
class Avx2Classifier
{
public:
    VELMORA_TARGET_AVX2 Avx2Classifier(const CandidateBytes& candidates, const CandidatePair& pair)
        : m_anyCandidates(candidates.size > 0)
        , m_distance(pair.distance)
    {
        for (std::size_t i = 0; i < 4; ++i) {
            m_candidates[i] = _mm256_set1_epi8(char(candidates.values[i]));
            m_first[i] = _mm256_set1_epi8(char(pair.first.values[i]));
            m_second[i] = _mm256_set1_epi8(char(pair.second.values[i]));
        }
        const OneBitSet first = oneBitSet(pair.first);
        const OneBitSet second = oneBitSet(pair.second);
        m_oneBitPair = first.possible && second.possible;
        m_firstBit = _mm256_set1_epi8(char(first.bit));
        m_firstValue = _mm256_set1_epi8(char(first.value));
        m_secondBit = _mm256_set1_epi8(char(second.bit));
        m_secondValue = _mm256_set1_epi8(char(second.value));
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

    VELMORA_TARGET_AVX2 std::uint64_t pairs(const char* chunk) const
    {
        const char* there = chunk + m_distance;
        if (m_oneBitPair) {
            return join(
                _mm256_and_si256(inOneBitSet(load(chunk), m_firstBit, m_firstValue),
                                 inOneBitSet(load(there), m_secondBit, m_secondValue)),
                _mm256_and_si256(inOneBitSet(load(chunk + 32), m_firstBit, m_firstValue),
                                 inOneBitSet(load(there + 32), m_secondBit, m_secondValue)));
        }
        return join(
            _mm256_and_si256(anyOf(load(chunk), m_first), anyOf(load(there), m_second)),
            _mm256_and_si256(anyOf(load(chunk + 32), m_first), anyOf(load(there + 32), m_second)));
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
    /// A set of one byte value, or of two that differ in one bit (a letter's two cases): a
    /// byte is in it when it equals `value` once `bit` is set in it.
    struct OneBitSet
    {
        bool possible = false;
        unsigned char bit = 0;
        unsigned char value = 0;
    };

    static OneBitSet oneBitSet(const CandidateBytes& set)
    {
        const unsigned char first = set.values[0];
        if (set.size == 1)
            return { true, 0, first };
        const auto bit = static_cast<unsigned char>(first ^ set.values[1]);
        if (set.size == 2 && (bit & (bit - 1)) == 0)
            return { true, bit, static_cast<unsigned char>(first | bit) };
        return {};
    }

    VELMORA_TARGET_AVX2 static __m256i inOneBitSet(__m256i bytes, __m256i bit, __m256i value)
    {
        return _mm256_cmpeq_epi8(_mm256_or_si256(bytes, bit), value);
    }

    VELMORA_TARGET_AVX2 static std::uint64_t join(__m256i low, __m256i high)
    {
        return std::uint64_t(std::uint32_t(_mm256_movemask_epi8(low)))
            | (std::uint64_t(std::uint32_t(_mm256_movemask_epi8(high))) << 32);
    }

    VELMORA_TARGET_AVX2 static __m256i load(const char* at)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
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
    __m256i m_first[4];
    __m256i m_second[4];
    // The pair's two sides as one-bit sets, when both are.
    __m256i m_firstBit;
    __m256i m_firstValue;
    __m256i m_secondBit;
    __m256i m_secondValue;
    bool m_oneBitPair;
    bool m_anyCandidates;
    std::size_t m_distance;
};

#endif

} // namespace velmora
