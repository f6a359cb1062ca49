#pragma once

#include <cstddef>

namespace velmora {

inline bool isUtf8Continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

/// Length of the well-formed UTF-8 sequence starting at `p` (before `end`), or 0. The second
/// byte's range rules out overlong forms, surrogates and code points above U+10FFFF, as Qt's
/// decoder does; 0 for an ASCII byte too, which callers take one at a time.
inline std::size_t validUtf8SequenceLength(const unsigned char* p, const unsigned char* end)
{
    const auto inRange = [](unsigned char byte, unsigned char low, unsigned char high) {
        return byte >= low && byte <= high;
    };
    const unsigned char lead = p[0];
    const auto available = std::size_t(end - p);
    if (inRange(lead, 0xC2, 0xDF))
        return available >= 2 && isUtf8Continuation(p[1]) ? 2 : 0;
    if (inRange(lead, 0xE0, 0xEF)) {
        if (available < 3 || !isUtf8Continuation(p[2]))
            return 0;
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return inRange(p[1], low, high) ? 3 : 0;
    }
    if (inRange(lead, 0xF0, 0xF4)) {
        if (available < 4 || !isUtf8Continuation(p[2]) || !isUtf8Continuation(p[3]))
            return 0;
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return inRange(p[1], low, high) ? 4 : 0;
    }
    return 0;
}

/// The code point of the valid sequence of `length` bytes (2 to 4) at `p`.
inline char32_t decodeUtf8Sequence(const unsigned char* p, std::size_t length)
{
    char32_t code = p[0] & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        code = (code << 6) | (p[i] & 0x3F);
    return code;
}

} // namespace velmora
