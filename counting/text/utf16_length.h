#pragma once

#include "counting/simd/simd_level.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

/// The number of UTF-16 units `utf8` decodes to the way QString::fromUtf8 decodes it: a valid
/// sequence gives one unit (two above U+FFFF), each byte outside a valid sequence one U+FFFD.
/// Unlike QString::fromUtf8, a leading EF BB BF counts: inside a text it is a character.
std::uint64_t utf16Length(std::string_view utf8);

/// The same, 64 bytes at a time with the classifier of `level`: text that is plainly valid
/// UTF-8 is counted from its byte classes, anything else the plain way.
std::uint64_t utf16Length(std::string_view utf8, SimdLevel level);

/// A character read from the start of UTF-8 bytes.
struct Utf8Character
{
    char32_t codePoint = 0;
    std::size_t length = 0;
};

/// The first character of `utf8` (not empty) as QString::fromUtf8 decodes it: a valid sequence,
/// or U+FFFD for one byte outside any.
Utf8Character firstCharacter(std::string_view utf8);

/// Appends `utf8` to `out` with each byte outside a valid sequence replaced by the UTF-8 of
/// U+FFFD: the same text, which stays the same whatever is put beside it.
void appendWellFormed(std::string_view utf8, std::string& out);

} // namespace velmora
