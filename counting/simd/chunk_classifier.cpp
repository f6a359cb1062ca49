#include "chunk_classifier.h"

namespace velmora {

SimdLevel bestSimdLevel()
{
#if defined(VELMORA_X86_SIMD)
    static const SimdLevel best = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")
        ? SimdLevel::Avx2
        : SimdLevel::Sse2;
    return best;
#else
    return SimdLevel::Portable;
#endif
}

std::vector<SimdLevel> availableSimdLevels()
{
    std::vector<SimdLevel> levels { SimdLevel::Portable };
#if defined(VELMORA_X86_SIMD)
    levels.push_back(SimdLevel::Sse2);
    if (bestSimdLevel() == SimdLevel::Avx2)
        levels.push_back(SimdLevel::Avx2);
#endif
    return levels;
}

} // namespace velmora
