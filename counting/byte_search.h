#pragma once

#include <string_view>

namespace velmora {

/// Whether `haystack` holds `needle` (not empty). With `ignoreAsciiCase`, `needle` is in
/// lower case and ASCII letters of `haystack` match in either case; other bytes match only
/// themselves. `useVectors` false takes the plain way, which the vector way is checked against.
bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase,
                bool useVectors = true);

/// Whether the `needle.size()` bytes at `at` are `needle`, letter case taken as holdsBytes()
/// takes it.
bool sameAt(const char* at, std::string_view needle, bool ignoreAsciiCase);

} // namespace velmora
