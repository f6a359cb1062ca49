#pragma once

#include <optional>
#include <string_view>

namespace velmora {

/// What a line's length is counted in.
enum class LengthUnit {
    Utf16, ///< UTF-16 units, the window's count
    Chars, ///< Unicode code points
    Bytes, ///< the line's bytes as stored
    Columns ///< the cells a terminal shows
};

/// A unit as people name and explain it.
struct LengthUnitName
{
    LengthUnit unit;
    /// The name `--units` takes.
    std::string_view name;
    /// What it counts, as the help explains it.
    std::string_view meaning;
    /// The counted things, as a message names them after a number: "80 columns".
    std::string_view counted;
};

/// Every unit, in the order the help lists them; the first is the window's count. A new unit
/// is a row here, a case in lineLength() and its measure.
inline constexpr LengthUnitName lengthUnitNames[] = {
    { LengthUnit::Utf16, "utf16", "the window's count, the default", "UTF-16 units" },
    { LengthUnit::Chars, "chars", "code points", "characters" },
    { LengthUnit::Bytes, "bytes", "as written out, UTF-8", "bytes" },
    { LengthUnit::Columns, "columns",
      "terminal cells: wide characters 2, combining marks 0, tabs to the next multiple of 8",
      "columns" },
};

/// The unit called `name`; none when no unit has that name.
constexpr std::optional<LengthUnit> lengthUnitNamed(std::string_view name)
{
    for (const LengthUnitName& unit : lengthUnitNames) {
        if (unit.name == name)
            return unit.unit;
    }
    return std::nullopt;
}

/// The words for `unit` after a number.
constexpr std::string_view lengthUnitCounted(LengthUnit unit)
{
    for (const LengthUnitName& name : lengthUnitNames) {
        if (name.unit == unit)
            return name.counted;
    }
    return {};
}

} // namespace velmora
