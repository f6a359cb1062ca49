#include "line_length.h"

#include "character_width_ranges.h"
#include "utf16_length.h"
#include "utf8_sequence.h"

#include <algorithm>
#include <cstring>
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

constexpr std::uint64_t everyByte(unsigned char value)
{
    return std::uint64_t(0x0101010101010101) * value;
}

/// Whether the eight bytes of `word` are all ASCII, and, when `printableOnly`, none of them a
/// control character (below 0x20, or 0x7F) either: each of those takes one column.
bool isPlainAscii(std::uint64_t word, bool printableOnly)
{
    constexpr std::uint64_t highBits = everyByte(0x80);
    if ((word & highBits) != 0)
        return false;
    if (!printableOnly)
        return true;
    // Without high bits, a byte below 0x20 borrows into its own high bit, and so does 0x7F
    // once one is added to it.
    const std::uint64_t belowSpace = (word - everyByte(0x20)) & highBits;
    const std::uint64_t delete_ = (word + everyByte(0x01)) & highBits;
    return (belowSpace | delete_) == 0;
}

/// Calls `take(code)` for every character of `line`, and `take(invalid)` for every byte
/// outside a valid sequence; runs of eight bytes that isPlainAscii() passes go to
/// `takeEight()` at once.
template<typename Take, typename TakeEight>
void forEachCharacter(std::string_view line, char32_t invalid, bool printableOnly, Take take,
                      TakeEight takeEight)
{
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const auto* const end = p + line.size();
    while (p < end) {
        std::uint64_t word;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), isPlainAscii(word, printableOnly))) {
            takeEight();
            p += 8;
        }
        if (p == end)
            break;
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
        forEachCharacter(
            line, U'\uFFFD', false, [&](char32_t) { ++length; }, [&] { length += 8; });
        break;
    case LengthUnit::Columns:
        // A terminal shows an invalid byte as one replacement character.
        forEachCharacter(
            line, U'\uFFFD', true,
            [&](char32_t code) {
                if (code == U'\t')
                    length += 8 - length % 8;
                else
                    length += std::uint64_t(columnWidth(code));
            },
            [&] { length += 8; });
        break;
    }
    return length;
}

LinePrefix prefixWithin(std::string_view line, LengthUnit unit, std::uint64_t limit)
{
    const auto* const start = reinterpret_cast<const unsigned char*>(line.data());
    const auto* const end = start + line.size();
    LinePrefix prefix;
    std::uint64_t length = 0;
    for (const auto* p = start; p < end;) {
        std::size_t bytes = *p < 0x80 ? 1 : validUtf8SequenceLength(p, end);
        char32_t code = *p;
        if (bytes == 0) {
            bytes = 1;
            code = U'\uFFFD';
        } else if (bytes > 1) {
            code = decodeUtf8Sequence(p, bytes);
        }
        switch (unit) {
        case LengthUnit::Utf16:
            length += code > 0xFFFF ? 2 : 1;
            break;
        case LengthUnit::Chars:
            ++length;
            break;
        case LengthUnit::Bytes:
            length += bytes;
            break;
        case LengthUnit::Columns:
            length += code == U'\t' ? 8 - length % 8 : std::uint64_t(columnWidth(code));
            break;
        }
        if (length > limit)
            break;
        p += bytes;
        ++prefix.characters;
        prefix.bytes = std::size_t(p - start);
    }
    return prefix;
}

} // namespace velmora
