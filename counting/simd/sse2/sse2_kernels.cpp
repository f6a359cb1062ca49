#include "sse2_kernels.h"

#include "counting/match/byte_search.h"
#include "counting/match/pair_scanner.h"
#include "counting/scan/line_counter_kernel.h"
#include "counting/simd/kernel_rows.h"
#include "counting/simd/utf16_kernels.h"
#include "counting/text/plain_valid_length.h"
#include "sse2_classifier.h"

#include <algorithm>

#if defined(VELMORA_X86_SIMD)

namespace velmora::sse2 {

namespace {

void countCompleteLines(LineCounter& counter, const char* begin, const char* end)
{
    counter.countCompleteLinesWith<Sse2Classifier>(begin, end);
}

// Each comparison set holds at most two values (a letter in both cases). The first place worth
// a look is returned as soon as a block holds one; blocks that reach too near the end are left
// to the plain way.
template<bool tracksLines>
const char* skipWith(const PairScanner& scanner, const char* at, const char* end,
                     std::uint64_t& lineFeeds)
{
    const CandidatePair& pair = scanner.pair();
    const __m128i first0 = _mm_set1_epi8(char(pair.first.values[0]));
    const __m128i first1 = _mm_set1_epi8(char(pair.first.values[1]));
    const __m128i second0 = _mm_set1_epi8(char(pair.second.values[0]));
    const __m128i second1 = _mm_set1_epi8(char(pair.second.values[1]));
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const std::size_t reach = std::max<std::size_t>(pair.distance, 1) + 16;
    for (; std::size_t(end - at) >= reach; at += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i there = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + pair.distance));
        __m128i found = _mm_and_si128(
            _mm_or_si128(_mm_cmpeq_epi8(here, first0), _mm_cmpeq_epi8(here, first1)),
            _mm_or_si128(_mm_cmpeq_epi8(there, second0), _mm_cmpeq_epi8(there, second1)));
        if constexpr (tracksLines) {
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
            found = _mm_or_si128(found,
                                 _mm_andnot_si128(_mm_cmpeq_epi8(next, lineFeed),
                                                  _mm_cmpeq_epi8(here, carriageReturn)));
        }
        const auto places = std::uint32_t(_mm_movemask_epi8(found));
        const auto lineFeedBits
            = tracksLines ? std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lineFeed))) : 0;
        if (places != 0) {
            const int first = __builtin_ctz(places);
            lineFeeds += std::uint64_t(
                PortableClassifier::bitCount(lineFeedBits & ((std::uint32_t(1) << first) - 1)));
            return at + first;
        }
        lineFeeds += std::uint64_t(PortableClassifier::bitCount(lineFeedBits));
    }
    return at;
}

std::optional<std::uint64_t> plainValidUtf16Length(std::string_view utf8)
{
    return plainValidUtf16LengthWith<Sse2Classifier>(utf8);
}

} // namespace

const char* skipToPair(const PairScanner& scanner, const char* at, const char* end)
{
    std::uint64_t unused = 0;
    return skipWith<false>(scanner, at, end, unused);
}

const char* skipToPairOrStrayReturn(const PairScanner& scanner, const char* at, const char* end,
                                    std::uint64_t& lineFeeds)
{
    return skipWith<true>(scanner, at, end, lineFeeds);
}

bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase)
{
    if (haystack.size() < needle.size())
        return false;
    const char* at = haystack.data();
    const char* const last = haystack.data() + (haystack.size() - needle.size());
    // Sixteen places at a time whose first and last bytes fit; only those are compared whole.
    // Setting bit 5 makes an ASCII letter lower case and may make other bytes fit too, which
    // the whole comparison then rules out.
    const std::size_t span = needle.size() - 1;
    const char caseBit = ignoreAsciiCase ? 0x20 : 0;
    const __m128i fold = _mm_set1_epi8(caseBit);
    const __m128i first = _mm_set1_epi8(char(needle.front() | caseBit));
    const __m128i lastByte = _mm_set1_epi8(char(needle.back() | caseBit));
    for (; last - at >= 16; at += 16) {
        const __m128i starts
            = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), fold);
        const __m128i ends
            = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + span)), fold);
        unsigned fits = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, lastByte))));
        for (; fits != 0; fits &= fits - 1) {
            if (sameAt(at + __builtin_ctz(fits), needle, ignoreAsciiCase))
                return true;
        }
    }
    return holdsBytesFrom(at, last, needle, ignoreAsciiCase);
}

const SimdKernels kernels { SimdLevel::Sse2, &countCompleteLines,
                            &skipToPair,     &skipToPairOrStrayReturn,
                            &holdsBytes,     &plainValidUtf16Length,
                            &convertUtf16 };

} // namespace velmora::sse2

#endif
