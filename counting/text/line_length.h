#pragma once

#include "length_unit.h"

#include <cstdint>
#include <string_view>

namespace velmora {

/// The length of `line` (UTF-8, or 8-bit text, without its line end) in `unit`. A byte outside
/// a valid UTF-8 sequence is one character and one column. Columns: East Asian wide and
/// fullwidth characters take two, combining marks, zero-width and control characters none,
/// and a tab moves on to the next multiple of 8.
std::uint64_t lineLength(std::string_view line, LengthUnit unit);

/// The start of a line, in characters and in bytes.
struct LinePrefix
{
    std::uint64_t characters = 0;
    std::size_t bytes = 0;
};

/// The longest start of `line` whose length in `unit`, measured as lineLength() measures it,
/// is at most `limit`: the character after it is the first that passes the limit (a wide
/// character or a tab passes it when its end does), and marks of no width stay with the
/// character they follow.
LinePrefix prefixWithin(std::string_view line, LengthUnit unit, std::uint64_t limit);

/// The cells a terminal gives `code`: 0, 1 or 2. Not for the tab, whose width depends on
/// where it stands.
int columnWidth(char32_t code);

} // namespace velmora
