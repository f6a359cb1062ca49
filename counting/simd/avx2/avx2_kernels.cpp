#include "avx2_classifier.h"
#include "counting/match/pair_scanner.h"
#include "counting/scan/line_counter_kernel.h"
#include "counting/simd/kernel_rows.h"
#include "counting/simd/sse2/sse2_kernels.h"
#include "counting/simd/utf16_kernels.h"
#include "counting/text/plain_valid_length.h"

#include <algorithm>

#if defined(VELMORA_X86_SIMD)

namespace velmora::avx2 {

namespace {

VELMORA_TARGET_AVX2 void countCompleteLines(LineCounter& counter, const char* begin,
                                            const char* end)
{
    counter.countCompleteLinesWith<Avx2Classifier>(begin, end);
}

/// Where a block of 32 bytes holds the pair. A value of a set is found as itself with its fold
/// bit set.
VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) __m256i
pairIn(__m256i here, __m256i there, __m256i firstFold, __m256i firstValue, __m256i secondFold,
       __m256i secondValue)
{
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(here, firstFold), firstValue),
                            _mm256_cmpeq_epi8(_mm256_or_si256(there, secondFold), secondValue));
}

/// Where a block of 32 bytes holds a carriage return that ends no line.
VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) __m256i strayReturnsIn(__m256i here,
                                                                                 __m256i next)
{
    return _mm256_andnot_si256(_mm256_cmpeq_epi8(next, _mm256_set1_epi8('\n')),
                               _mm256_cmpeq_epi8(here, _mm256_set1_epi8('\r')));
}

VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) std::uint64_t sumOfLanes(__m256i tally)
{
    const __m256i sums = _mm256_sad_epu8(tally, _mm256_setzero_si256());
    return std::uint64_t(_mm256_extract_epi64(sums, 0))
        + std::uint64_t(_mm256_extract_epi64(sums, 1))
        + std::uint64_t(_mm256_extract_epi64(sums, 2))
        + std::uint64_t(_mm256_extract_epi64(sums, 3));
}

VELMORA_TARGET_AVX2 inline __attribute__((always_inline)) __m256i load(const char* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// 64 bytes a block, each set one comparison. Line feeds are tallied per byte lane and summed
// now and then, not per block: a lane gains at most two per block, so 127 blocks fit its byte.
template<bool tracksLines>
VELMORA_TARGET_AVX2 const char* skipWithFoldBits(const PairScanner& scanner, const char* at,
                                                 const char* end, std::uint64_t& lineFeeds)
{
    const CandidatePair& pair = scanner.pair();
    const std::pair<unsigned char, unsigned char>& foldBits = *scanner.foldBits();
    const __m256i firstFold = _mm256_set1_epi8(char(foldBits.first));
    const __m256i firstValue = _mm256_set1_epi8(char(pair.first.values[0] | foldBits.first));
    const __m256i secondFold = _mm256_set1_epi8(char(foldBits.second));
    const __m256i secondValue = _mm256_set1_epi8(char(pair.second.values[0] | foldBits.second));
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    const std::size_t distance = pair.distance;
    const std::size_t reach = std::max<std::size_t>(distance, 1) + 64;
    __m256i tally = _mm256_setzero_si256();
    int tallied = 0;
    for (; std::size_t(end - at) >= reach; at += 64) {
        const __m256i low = load(at);
        const __m256i high = load(at + 32);
        __m256i placesLow
            = pairIn(low, load(at + distance), firstFold, firstValue, secondFold, secondValue);
        __m256i placesHigh = pairIn(high, load(at + distance + 32), firstFold, firstValue,
                                    secondFold, secondValue);
        if constexpr (tracksLines) {
            placesLow = _mm256_or_si256(placesLow, strayReturnsIn(low, load(at + 1)));
            placesHigh = _mm256_or_si256(placesHigh, strayReturnsIn(high, load(at + 33)));
        }
        const __m256i lineFeedsLow = _mm256_cmpeq_epi8(low, lineFeed);
        const __m256i lineFeedsHigh = _mm256_cmpeq_epi8(high, lineFeed);
        const __m256i places = _mm256_or_si256(placesLow, placesHigh);
        if (!_mm256_testz_si256(places, places)) {
            const std::uint64_t placeBits
                = std::uint64_t(std::uint32_t(_mm256_movemask_epi8(placesLow)))
                | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(placesHigh))) << 32;
            const int first = __builtin_ctzll(placeBits);
            if constexpr (tracksLines) {
                const std::uint64_t lineFeedBits
                    = std::uint64_t(std::uint32_t(_mm256_movemask_epi8(lineFeedsLow)))
                    | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(lineFeedsHigh))) << 32;
                lineFeeds += sumOfLanes(tally)
                    + std::uint64_t(__builtin_popcountll(lineFeedBits
                                                         & ((std::uint64_t(1) << first) - 1)));
            }
            return at + first;
        }
        if constexpr (tracksLines) {
            // Each line feed compares as -1.
            tally = _mm256_sub_epi8(_mm256_sub_epi8(tally, lineFeedsLow), lineFeedsHigh);
            if (++tallied == 127) {
                lineFeeds += sumOfLanes(tally);
                tally = _mm256_setzero_si256();
                tallied = 0;
            }
        }
    }
    if constexpr (tracksLines)
        lineFeeds += sumOfLanes(tally);
    return at;
}

// The wide way needs each set of the pair to be found with one comparison; other pairs take
// SSE2's.
VELMORA_TARGET_AVX2 const char* skipToPair(const PairScanner& scanner, const char* at,
                                           const char* end)
{
    if (!scanner.foldBits())
        return sse2::skipToPair(scanner, at, end);
    std::uint64_t unused = 0;
    return skipWithFoldBits<false>(scanner, at, end, unused);
}

VELMORA_TARGET_AVX2 const char* skipToPairOrStrayReturn(const PairScanner& scanner, const char* at,
                                                        const char* end, std::uint64_t& lineFeeds)
{
    if (!scanner.foldBits())
        return sse2::skipToPairOrStrayReturn(scanner, at, end, lineFeeds);
    return skipWithFoldBits<true>(scanner, at, end, lineFeeds);
}

VELMORA_TARGET_AVX2 std::optional<std::uint64_t> plainValidUtf16Length(std::string_view utf8)
{
    return plainValidUtf16LengthWith<Avx2Classifier>(utf8);
}

} // namespace

// Byte search has no AVX2 form of its own.
const SimdKernels kernels { SimdLevel::Avx2,   &countCompleteLines,
                            &skipToPair,       &skipToPairOrStrayReturn,
                            &sse2::holdsBytes, &plainValidUtf16Length,
                            &convertUtf16 };

} // namespace velmora::avx2

#endif
