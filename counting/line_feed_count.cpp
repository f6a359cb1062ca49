#include "line_feed_count.h"

#include <algorithm>

namespace velmora {

namespace {

std::uint64_t countPortably(const char* begin, const char* end)
{
    return std::uint64_t(std::count(begin, end, '\n'));
}

#if defined(VELMORA_X86_SIMD)
std::uint64_t countWithSse2(const char* begin, const char* end)
{
    const __m128i lineFeed = _mm_set1_epi8('\n');
    std::uint64_t lineFeeds = 0;
    for (; end - begin >= 16; begin += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
        lineFeeds += std::uint64_t(PortableClassifier::bitCount(
            std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)))));
    }
    return lineFeeds + countPortably(begin, end);
}

VELMORA_TARGET_AVX2 std::uint64_t countWithAvx2(const char* begin, const char* end)
{
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    std::uint64_t lineFeeds = 0;
    for (; end - begin >= 32; begin += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin));
        lineFeeds += std::uint64_t(__builtin_popcount(
            std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, lineFeed)))));
    }
    return lineFeeds + countPortably(begin, end);
}
#endif

} // namespace

std::uint64_t countLineFeeds(const char* begin, const char* end, SimdLevel level)
{
    switch (level) {
    case SimdLevel::Portable:
        break;
    case SimdLevel::Sse2:
    case SimdLevel::Avx2:
#if defined(VELMORA_X86_SIMD)
        return level == SimdLevel::Avx2 ? countWithAvx2(begin, end) : countWithSse2(begin, end);
#else
        break;
#endif
    }
    return countPortably(begin, end);
}

} // namespace velmora
