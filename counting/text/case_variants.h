#pragma once

#include <vector>

namespace velmora {

/// Every code point that simple case folding takes to the same code point as `c`, `c` among
/// them: k gives k, K and KELVIN SIGN; a character without case gives itself alone.
std::vector<char32_t> caseVariants(char32_t c);

} // namespace velmora
