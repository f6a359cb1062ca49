#pragma once

#include <string>
#include <vector>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#define VELMORA_X86_SIMD 1
/// Code for processors with AVX2 and POPCNT, reached only after a run-time check.
#define VELMORA_TARGET_AVX2 __attribute__((target("avx2,popcnt")))
#endif

namespace velmora {

/// The instruction sets the engine's vector kernels are written for. Each gives the same
/// results; Portable runs on any processor and is the reference the others are checked against.
enum class SimdLevel { Portable, Sse2, Avx2 };

/// The level's name as VELMORA_SIMD takes it: "portable", "sse2", "avx2".
const char* simdLevelName(SimdLevel level);

/// Every level this processor runs, Portable first and the fastest last.
std::vector<SimdLevel> availableSimdLevels();

/// The level for a VELMORA_SIMD value, and the warning to show when it cannot be honoured.
struct SimdChoice
{
    SimdLevel level = SimdLevel::Portable;
    /// Empty when the value names an available level or is unset or empty.
    std::string warning;
};

/// The level `requested` names (nullptr: the variable is unset) among `available` (not
/// empty, Portable first and the fastest last); the fastest of them for no value, an empty one,
/// an unknown one or a level not among them, with a warning for the last two.
SimdChoice chooseSimdLevel(const char* requested, const std::vector<SimdLevel>& available);

/// The level the engine runs, chosen at first use from VELMORA_SIMD and this processor; a
/// warning about the variable goes to standard error once.
SimdLevel chosenSimdLevel();

} // namespace velmora
