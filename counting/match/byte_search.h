#pragma once

#include <cstring>
#include <string_view>

namespace velmora {

/// Whether `haystack` holds `needle` (not empty). With `ignoreAsciiCase`, `needle` is in
/// lower case and ASCII letters of `haystack` match in either case; other bytes match only
/// themselves. Takes the vector way of chosenSimdKernels().
bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase);

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

/// Whether `needle` starts at any place from `at` to `last`, both included, one place at a
/// time: the plain way, and the places a vector way leaves at the end.
inline bool holdsBytesFrom(const char* at, const char* last, std::string_view needle,
                           bool ignoreAsciiCase)
{
    for (; at <= last; ++at) {
        if (sameAt(at, needle, ignoreAsciiCase))
            return true;
    }
    return false;
}

} // namespace velmora
