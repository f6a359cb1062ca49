#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace velmora {

enum class TextEncoding { EightBit, Utf16LittleEndian, Utf16BigEndian };

/// The encoding a file's first bytes announce, and how many of them are the mark.
struct EncodingMark
{
    TextEncoding encoding = TextEncoding::EightBit;
    std::size_t markLength = 0;
};

/// Decides from the first bytes of a file: FF FE is 16-bit little-endian, FE FF 16-bit
/// big-endian, EF BB BF marked UTF-8; anything else 8-bit text without a mark. Gives nothing
/// while `firstBytes` could still grow into a mark and `atEnd` is false.
std::optional<EncodingMark> detectEncodingMark(std::string_view firstBytes, bool atEnd);

} // namespace velmora
