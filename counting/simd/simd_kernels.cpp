#include "simd_kernels.h"

#include "kernel_rows.h"

namespace velmora {

const SimdKernels& simdKernels(SimdLevel level)
{
    switch (level) {
    case SimdLevel::Portable:
        break;
#if defined(VELMORA_X86_SIMD)
    case SimdLevel::Sse2:
        return sse2::kernels;
    case SimdLevel::Avx2:
        return avx2::kernels;
#else
    case SimdLevel::Sse2:
    case SimdLevel::Avx2:
        break;
#endif
    }
    return portable::kernels;
}

const SimdKernels& chosenSimdKernels()
{
    static const SimdKernels& chosen = simdKernels(chosenSimdLevel());
    return chosen;
}

} // namespace velmora
