#include "simd_level.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {

constexpr SimdLevel everyLevel[] = { SimdLevel::Portable, SimdLevel::Sse2, SimdLevel::Avx2 };

} // namespace

const char* simdLevelName(SimdLevel level)
{
    switch (level) {
    case SimdLevel::Portable:
        return "portable";
    case SimdLevel::Sse2:
        return "sse2";
    case SimdLevel::Avx2:
        return "avx2";
    }
    return "portable";
}

std::vector<SimdLevel> availableSimdLevels()
{
    std::vector<SimdLevel> levels { SimdLevel::Portable };
#if defined(VELMORA_X86_SIMD)
    levels.push_back(SimdLevel::Sse2);
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        levels.push_back(SimdLevel::Avx2);
#endif
    return levels;
}

SimdChoice chooseSimdLevel(const char* requested, const std::vector<SimdLevel>& available)
{
    const SimdLevel best = available.back();
    if (!requested || *requested == '\0')
        return { best, {} };
    for (const SimdLevel level : everyLevel) {
        if (std::strcmp(requested, simdLevelName(level)) != 0)
            continue;
        for (const SimdLevel runs : available) {
            if (runs == level)
                return { level, {} };
        }
    }
    return { best,
             std::string("velmora: VELMORA_SIMD=") + requested
                 + " is not a level this processor runs; using " + simdLevelName(best) };
}

SimdLevel chosenSimdLevel()
{
    static const SimdLevel chosen = [] {
        const SimdChoice choice
            = chooseSimdLevel(std::getenv("VELMORA_SIMD"), availableSimdLevels());
        if (!choice.warning.empty())
            std::fprintf(stderr, "%s\n", choice.warning.c_str());
        return choice.level;
    }();
    return chosen;
}

} // namespace velmora
