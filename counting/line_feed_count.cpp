#include "line_feed_count.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

std::uint64_t countLineFeeds(const char* begin, const char* end)
{
    std::uint64_t lineFeeds = 0;
#if defined(__SSE2__)
    // Each byte of `found` counts the line feeds at its place, and would wrap after 255
    // rounds: the bytes are summed up and cleared before that.
    constexpr std::ptrdiff_t roundsBeforeWrap = 255;
    const __m128i lineFeed = _mm_set1_epi8('\n');
    while (end - begin >= 16) {
        const char* const stop = begin + 16 * std::min((end - begin) / 16, roundsBeforeWrap);
        __m128i found = _mm_setzero_si128();
        for (; begin < stop; begin += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
            found = _mm_sub_epi8(found, _mm_cmpeq_epi8(bytes, lineFeed));
        }
        const __m128i sums = _mm_sad_epu8(found, _mm_setzero_si128());
        lineFeeds += std::uint64_t(_mm_cvtsi128_si64(sums))
            + std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    return lineFeeds + countLineFeedsPortably(begin, end);
}

std::uint64_t countLineFeedsPortably(const char* begin, const char* end)
{
    return std::uint64_t(std::count(begin, end, '\n'));
}

} // namespace velmora
