#include "utf16_length.h"

#include "counting/simd/simd_kernels.h"
#include "utf8_sequence.h"

#include <cstring>
#include <optional>

namespace velmora {

std::uint64_t utf16Length(std::string_view utf8)
{
    constexpr std::uint64_t highBits = 0x8080808080808080;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    std::uint64_t units = 0;
    while (p < end) {
        std::uint64_t word;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & highBits) == 0)) {
            p += 8;
            units += 8;
        }
        if (p == end)
            break;
        if (*p < 0x80) {
            ++p;
            ++units;
            continue;
        }
        const std::size_t length = validUtf8SequenceLength(p, end);
        if (length == 0) {
            ++p;
            ++units;
        } else {
            p += length;
            units += length == 4 ? 2 : 1;
        }
    }
    return units;
}

std::uint64_t utf16Length(std::string_view utf8, SimdLevel level)
{
    if (const std::optional<std::uint64_t> length = simdKernels(level).plainValidUtf16Length(utf8))
        return *length;
    return utf16Length(utf8);
}

Utf8Character firstCharacter(std::string_view utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    if (p[0] < 0x80)
        return { p[0], 1 };
    const std::size_t length = validUtf8SequenceLength(p, p + utf8.size());
    if (length == 0)
        return { 0xFFFD, 1 };
    return { decodeUtf8Sequence(p, length), length };
}

void appendWellFormed(std::string_view utf8, std::string& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        const std::size_t length = *p < 0x80 ? 1 : validUtf8SequenceLength(p, end);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++p;
        } else {
            out.append(reinterpret_cast<const char*>(p), length);
            p += length;
        }
    }
}

} // namespace velmora
