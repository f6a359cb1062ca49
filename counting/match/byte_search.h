#pragma once

#include <cstring>
#include <string_view>

namespace velmora {

/// Whether `haystack` holds `needle` (not empty). With `ignoreAsciiCase`, `needle` is in
/// lower case and ASCII letters of `haystack` match in either case; other bytes match only
/// themselves. `useVectors` false takes the plain way, which the vector way is checked against.
bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase,
                bool useVectors = true);

/// Whether the `needle.size()` bytes at `at` are `needle`, letter case taken as holdsBytes()
/// takes it. Inline: it runs for every place that a scan picks out.
inline bool sameAt(const char* at, std::string_view needle, bool ignoreAsciiCase)
{
    if (!ignoreAsciiCase)
        return std::memcmp(at, needle.data(), needle.size()) == 0;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        const char byte = at[i];
        if ((byte >= 'A' && byte <= 'Z' ? char(byte - 'A' + 'a') : byte) != needle[i])
            return false;
    }
    return true;
}

} // namespace velmora
