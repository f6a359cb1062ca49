#include "byte_search.h"

#include "counting/simd/chunk_classifier.h"

namespace velmora {

bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase,
                bool useVectors)
{
    if (haystack.size() < needle.size())
        return false;
    const char* at = haystack.data();
    const char* const last = haystack.data() + (haystack.size() - needle.size());
#if defined(VELMORA_X86_SIMD)
    // Sixteen places at a time whose first and last bytes fit; only those are compared whole.
    // Setting bit 5 makes an ASCII letter lower case and may make other bytes fit too, which
    // the whole comparison then rules out.
    if (useVectors) {
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
    }
#else
    (void)useVectors;
#endif
    for (; at <= last; ++at) {
        if (sameAt(at, needle, ignoreAsciiCase))
            return true;
    }
    return false;
}

} // namespace velmora
