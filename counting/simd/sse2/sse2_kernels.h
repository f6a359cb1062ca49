#pragma once

// The SSE2 kernels that the levels above reuse where they have no form of their own.

#include "counting/simd/simd_level.h"

#if defined(VELMORA_X86_SIMD)

#include <cstdint>
#include <string_view>

namespace velmora {

class PairScanner;

namespace sse2 {

const char* skipToPair(const PairScanner& scanner, const char* at, const char* end);
const char* skipToPairOrStrayReturn(const PairScanner& scanner, const char* at, const char* end,
                                    std::uint64_t& lineFeeds);
bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase);

} // namespace sse2

} // namespace velmora

#endif
