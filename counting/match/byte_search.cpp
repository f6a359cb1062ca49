#include "byte_search.h"

#include "counting/simd/simd_kernels.h"

namespace velmora {

bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase)
{
    return chosenSimdKernels().holdsBytes(haystack, needle, ignoreAsciiCase);
}

} // namespace velmora
