#include "utf16_length.h"

#include <cstring>

namespace velmora {

namespace {

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

/// Length of the well-formed sequence starting at `p`, or 0. The second byte's range rules
/// out overlong forms, surrogates and code points above U+10FFFF, as Qt's decoder does.
std::size_t validSequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char lead = p[0];
    const auto available = std::size_t(end - p);
    if (inRange(lead, 0xC2, 0xDF))
        return available >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (inRange(lead, 0xE0, 0xEF)) {
        if (available < 3 || !isContinuation(p[2]))
            return 0;
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return inRange(p[1], low, high) ? 3 : 0;
    }
    if (inRange(lead, 0xF0, 0xF4)) {
        if (available < 4 || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return inRange(p[1], low, high) ? 4 : 0;
    }
    return 0;
}

} // namespace

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
        const std::size_t length = validSequenceLength(p, end);
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

Utf8Character firstCharacter(std::string_view utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    if (p[0] < 0x80)
        return { p[0], 1 };
    const std::size_t length = validSequenceLength(p, p + utf8.size());
    switch (length) {
    case 2:
        return { char32_t(p[0] & 0x1F) << 6 | char32_t(p[1] & 0x3F), 2 };
    case 3:
        return { char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | char32_t(p[2] & 0x3F),
                 3 };
    case 4:
        return { char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12
                     | char32_t(p[2] & 0x3F) << 6 | char32_t(p[3] & 0x3F),
                 4 };
    default:
        return { 0xFFFD, 1 };
    }
}

void appendWellFormed(std::string_view utf8, std::string& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        const std::size_t length = *p < 0x80 ? 1 : validSequenceLength(p, end);
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
