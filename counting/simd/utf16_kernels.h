#pragma once

// The vector levels' conversions of 16-bit text to UTF-8, each in its level's folder, for the
// rows of kernels (SimdKernels::convertUtf16).

#include "counting/text/plain_utf16_units.h"
#include "simd_level.h"

#if defined(VELMORA_X86_SIMD)

namespace velmora {

namespace sse2 {
Utf16Conversion convertUtf16(const char* bytes, std::size_t units, TextEncoding byteOrder,
                             char* utf8);
}

namespace avx2 {
Utf16Conversion convertUtf16(const char* bytes, std::size_t units, TextEncoding byteOrder,
                             char* utf8);
}

} // namespace velmora

#endif
