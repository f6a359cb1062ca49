#include "utf16_to_utf8.h"

#include "counting/simd/simd_kernels.h"

#include <QChar>

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

/// What a vector kernel may write past three bytes a unit.
constexpr std::size_t kernelSlack = 32;

std::size_t writeCodePoint(char32_t codePoint, char* utf8)
{
    if (codePoint < 0x80) {
        utf8[0] = char(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        utf8[0] = char(0xC0 | (codePoint >> 6));
        utf8[1] = char(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        utf8[0] = char(0xE0 | (codePoint >> 12));
        utf8[1] = char(0x80 | ((codePoint >> 6) & 0x3F));
        utf8[2] = char(0x80 | (codePoint & 0x3F));
        return 3;
    }
    utf8[0] = char(0xF0 | (codePoint >> 18));
    utf8[1] = char(0x80 | ((codePoint >> 12) & 0x3F));
    utf8[2] = char(0x80 | ((codePoint >> 6) & 0x3F));
    utf8[3] = char(0x80 | (codePoint & 0x3F));
    return 4;
}

} // namespace

Utf16ToUtf8::Utf16ToUtf8(TextEncoding byteOrder, const SimdKernels& kernels)
    : m_kernels(kernels)
    , m_byteOrder(byteOrder)
{ }

std::string_view Utf16ToUtf8::convert(std::string_view bytes)
{
    // Three bytes a unit at most (a pair is four for two units, U+FFFD three for one), and
    // the U+FFFD of a high surrogate held from the last piece without its partner.
    char* const utf8 = room(bytes.size() / 2 * 3 + 6 + kernelSlack);
    std::size_t written = 0;
    const bool bigEndian = m_byteOrder == TextEncoding::Utf16BigEndian;
    if (m_pendingByte >= 0 && !bytes.empty()) {
        const auto first = std::uint8_t(m_pendingByte);
        const auto second = std::uint8_t(bytes[0]);
        written += writeUnit(
            bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first), utf8);
        m_pendingByte = -1;
        bytes.remove_prefix(1);
    }
    const std::size_t units = bytes.size() / 2;
    std::size_t unit = 0;
    while (unit < units) {
        if (m_pendingHighSurrogate == 0) {
            const Utf16Conversion done = m_kernels.convertUtf16(
                bytes.data() + 2 * unit, units - unit, m_byteOrder, utf8 + written);
            unit += done.units;
            written += done.bytes;
            if (unit == units)
                break;
        }
        // A surrogate the kernel leaves, or the partner of one held from the piece before.
        const std::size_t high = bigEndian ? 0 : 1;
        const auto value = char16_t(std::uint8_t(bytes[2 * unit + high]) << 8
                                    | std::uint8_t(bytes[2 * unit + 1 - high]));
        written += writeUnit(value, utf8 + written);
        ++unit;
    }
    if (bytes.size() % 2 != 0)
        m_pendingByte = std::uint8_t(bytes.back());
    return { utf8, written };
}

std::string_view Utf16ToUtf8::finish()
{
    char* const utf8 = room(6);
    std::size_t written = 0;
    if (m_pendingHighSurrogate != 0)
        written += writeCodePoint(QChar::ReplacementCharacter, utf8);
    // Half a unit is a unit cut short, as a decoder takes it, not nothing.
    if (m_pendingByte >= 0)
        written += writeCodePoint(QChar::ReplacementCharacter, utf8 + written);
    m_pendingHighSurrogate = 0;
    m_pendingByte = -1;
    return { utf8, written };
}

char* Utf16ToUtf8::room(std::size_t bytes)
{
    if (bytes > m_capacity) {
        // Left uninitialised: the pieces are large, and every byte delivered is written first.
        m_capacity = std::max(bytes, m_capacity + m_capacity / 2);
        m_buffer.reset(new char[m_capacity]);
    }
    return m_buffer.get();
}

std::size_t Utf16ToUtf8::writeUnit(char16_t unit, char* utf8)
{
    std::size_t written = 0;
    if (m_pendingHighSurrogate != 0) {
        const char16_t high = std::exchange(m_pendingHighSurrogate, 0);
        if (QChar::isLowSurrogate(unit))
            return writeCodePoint(QChar::surrogateToUcs4(high, unit), utf8);
        written = writeCodePoint(QChar::ReplacementCharacter, utf8);
    }
    if (QChar::isHighSurrogate(unit))
        m_pendingHighSurrogate = unit;
    else if (QChar::isLowSurrogate(unit))
        written += writeCodePoint(QChar::ReplacementCharacter, utf8 + written);
    else
        written += writeCodePoint(unit, utf8 + written);
    return written;
}

} // namespace velmora
