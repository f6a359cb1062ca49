#include "utf16_to_utf8.h"

#include <QChar>

namespace velmora {

namespace {

void appendCodePoint(char32_t codePoint, std::string& utf8)
{
    if (codePoint < 0x80) {
        utf8 += char(codePoint);
    } else if (codePoint < 0x800) {
        utf8 += char(0xC0 | (codePoint >> 6));
        utf8 += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        utf8 += char(0xE0 | (codePoint >> 12));
        utf8 += char(0x80 | ((codePoint >> 6) & 0x3F));
        utf8 += char(0x80 | (codePoint & 0x3F));
    } else {
        utf8 += char(0xF0 | (codePoint >> 18));
        utf8 += char(0x80 | ((codePoint >> 12) & 0x3F));
        utf8 += char(0x80 | ((codePoint >> 6) & 0x3F));
        utf8 += char(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

Utf16ToUtf8::Utf16ToUtf8(TextEncoding byteOrder)
    : m_bigEndian(byteOrder == TextEncoding::Utf16BigEndian)
{ }

void Utf16ToUtf8::convert(std::string_view bytes, std::string& utf8)
{
    // Most 16-bit text is ASCII; one byte of UTF-8 per unit is the usual growth.
    utf8.reserve(utf8.size() + bytes.size() / 2 + 4);
    std::size_t i = 0;
    if (m_pendingByte >= 0 && !bytes.empty()) {
        const auto first = std::uint8_t(m_pendingByte);
        const auto second = std::uint8_t(bytes[0]);
        appendUnit(m_bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first),
                   utf8);
        m_pendingByte = -1;
        i = 1;
    }
    const std::size_t high = m_bigEndian ? 0 : 1;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto unit
            = char16_t(std::uint8_t(bytes[i + high]) << 8 | std::uint8_t(bytes[i + 1 - high]));
        if (unit < 0x80 && m_pendingHighSurrogate == 0)
            utf8 += char(unit);
        else
            appendUnit(unit, utf8);
    }
    if (i < bytes.size())
        m_pendingByte = std::uint8_t(bytes[i]);
}

void Utf16ToUtf8::finish(std::string& utf8)
{
    if (m_pendingHighSurrogate != 0)
        appendCodePoint(QChar::ReplacementCharacter, utf8);
    // Half a unit is a unit cut short, as a decoder takes it, not nothing.
    if (m_pendingByte >= 0)
        appendCodePoint(QChar::ReplacementCharacter, utf8);
    m_pendingHighSurrogate = 0;
    m_pendingByte = -1;
}

void Utf16ToUtf8::appendUnit(char16_t unit, std::string& utf8)
{
    if (m_pendingHighSurrogate != 0) {
        const char16_t high = std::exchange(m_pendingHighSurrogate, 0);
        if (QChar::isLowSurrogate(unit)) {
            appendCodePoint(QChar::surrogateToUcs4(high, unit), utf8);
            return;
        }
        appendCodePoint(QChar::ReplacementCharacter, utf8);
    }
    if (QChar::isHighSurrogate(unit))
        m_pendingHighSurrogate = unit;
    else if (QChar::isLowSurrogate(unit))
        appendCodePoint(QChar::ReplacementCharacter, utf8);
    else
        appendCodePoint(unit, utf8);
}

} // namespace velmora
