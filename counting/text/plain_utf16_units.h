#pragma once

#include "text_encoding.h"

#include <cstddef>
#include <cstdint>

namespace velmora {

/// How far a kernel converting 16-bit text to UTF-8 went: the units it took, the bytes it wrote.
struct Utf16Conversion
{
    std::size_t units = 0;
    std::size_t bytes = 0;
};

/// The unit at `unit` of 16-bit text in the order `bigEndian` tells, wherever the processor's.
template<bool bigEndian> inline std::uint32_t utf16UnitAt(const char* bytes, std::size_t unit)
{
    const auto first = std::uint8_t(bytes[2 * unit]);
    const auto second = std::uint8_t(bytes[2 * unit + 1]);
    return bigEndian ? std::uint32_t(first << 8 | second) : std::uint32_t(second << 8 | first);
}

/// Converts the units of 16-bit text from `done` on, each to its UTF-8 and a surrogate pair to
/// one four-byte sequence, until `done.units` reaches `until` or a unit needs the careful way: a
/// low surrogate that follows no high one, a high surrogate that no low one follows, or one
/// that is the last of the `units` given (its partner may be in the next piece). Writes at most
/// three bytes a unit at `utf8 + done.bytes`. False when it stopped at such a unit.
template<bool bigEndian>
inline __attribute__((always_inline)) bool
convertPlainUtf16Units(const char* bytes, std::size_t units, std::size_t until, char* utf8,
                       Utf16Conversion& done)
{
    std::size_t unit = done.units;
    char* out = utf8 + done.bytes;
    bool plain = true;
    while (unit < until) {
        const std::uint32_t value = utf16UnitAt<bigEndian>(bytes, unit);
        if (value < 0x80) {
            *out++ = char(value);
        } else if (value < 0x800) {
            *out++ = char(0xC0 | value >> 6);
            *out++ = char(0x80 | (value & 0x3F));
        } else if (value < 0xD800 || value > 0xDFFF) {
            *out++ = char(0xE0 | value >> 12);
            *out++ = char(0x80 | (value >> 6 & 0x3F));
            *out++ = char(0x80 | (value & 0x3F));
        } else {
            const std::uint32_t low
                = value < 0xDC00 && unit + 1 < units ? utf16UnitAt<bigEndian>(bytes, unit + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                plain = false;
                break;
            }
            const std::uint32_t codePoint = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
            *out++ = char(0xF0 | codePoint >> 18);
            *out++ = char(0x80 | (codePoint >> 12 & 0x3F));
            *out++ = char(0x80 | (codePoint >> 6 & 0x3F));
            *out++ = char(0x80 | (codePoint & 0x3F));
            ++unit;
        }
        ++unit;
    }
    done.units = unit;
    done.bytes = std::size_t(out - utf8);
    return plain;
}

} // namespace velmora
