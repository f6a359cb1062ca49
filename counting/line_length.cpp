#include "line_length.h"

#include "character_width_ranges.h"
#include "utf16_length.h"
#include "utf8_sequence.h"

#include <algorithm>
#include <iterator>

namespace velmora {

namespace {

template<std::size_t N> bool inRanges(const CodePointRange (&ranges)[N], char32_t code)
{
    const auto* after = std::upper_bound(
        std::begin(ranges), std::end(ranges), code,
        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return after != std::begin(ranges) && code <= std::prev(after)->last;
}

/// Calls `take(code)` for every character of `line`, and `take(invalid)` for every byte
/// outside a valid sequence.
template<typename Take> void forEachCharacter(std::string_view line, char32_t invalid, Take take)
{
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const auto* const end = p + line.size();
    while (p < end) {
        if (*p < 0x80) {
            take(char32_t(*p++));
            continue;
        }
        const std::size_t length = validUtf8SequenceLength(p, end);
        if (length == 0) {
            take(invalid);
            ++p;
        } else {
            take(decodeUtf8Sequence(p, length));
            p += length;
        }
    }
}

} // namespace

int columnWidth(char32_t code)
{
    if (code >= 0x20 && code < 0x7F)
        return 1;
    if (inRanges(zeroWidthRanges, code))
        return 0;
    return inRanges(doubleWidthRanges, code) ? 2 : 1;
}

std::uint64_t lineLength(std::string_view line, LengthUnit unit)
{
    std::uint64_t length = 0;
    switch (unit) {
    case LengthUnit::Utf16:
        return utf16Length(line);
    case LengthUnit::Bytes:
        return line.size();
    case LengthUnit::Chars:
        forEachCharacter(line, U'\uFFFD', [&](char32_t) { ++length; });
        break;
    case LengthUnit::Columns:
        // A terminal shows an invalid byte as one replacement character.
        forEachCharacter(line, U'\uFFFD', [&](char32_t code) {
            if (code == U'\t')
                length += 8 - length % 8;
            else
                length += std::uint64_t(columnWidth(code));
        });
        break;
    }
    return length;
}

} // namespace velmora
