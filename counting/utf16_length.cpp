#include "utf16_length.h"

#include "utf8_sequence.h"

#include <cstring>

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

} // namespace velmora
