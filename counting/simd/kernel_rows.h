#pragma once

// Each level's row of kernels, defined in counting/simd/<level>/<level>_kernels.cpp; the
// table in simd_kernels.cpp picks among them.

#include "simd_kernels.h"

namespace velmora {

namespace portable {
extern const SimdKernels kernels;
}

#if defined(VELMORA_X86_SIMD)
namespace sse2 {
extern const SimdKernels kernels;
}
namespace avx2 {
extern const SimdKernels kernels;
}
#endif

} // namespace velmora
