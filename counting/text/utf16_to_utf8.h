#pragma once

#include "text_encoding.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

/// Turns 16-bit text, given in pieces that may split a unit or a surrogate pair anywhere, into
/// UTF-8. Each UTF-16 unit of the text gives exactly one UTF-16 unit back when the UTF-8 is
/// decoded again (a lone surrogate becomes U+FFFD), so counts taken on the UTF-8 are counts
/// of the 16-bit text.
class Utf16ToUtf8
{
public:
    explicit Utf16ToUtf8(TextEncoding byteOrder);

    /// Appends the UTF-8 of the complete units in `bytes` (and in what earlier calls left over).
    void convert(std::string_view bytes, std::string& utf8);
    /// Appends what the end of the text completes: a high surrogate still waiting for its
    /// partner becomes U+FFFD, and so does a final odd byte, each one unit.
    void finish(std::string& utf8);

private:
    void appendUnit(char16_t unit, std::string& utf8);

    bool m_bigEndian;
    int m_pendingByte = -1;
    char16_t m_pendingHighSurrogate = 0;
};

} // namespace velmora
