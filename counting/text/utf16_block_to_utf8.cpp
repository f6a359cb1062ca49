#include "utf16_block_to_utf8.h"

#include <QChar>

#include <cstdint>

namespace velmora {

Utf16BlockToUtf8::Utf16BlockToUtf8(TextEncoding byteOrder, const SimdKernels& kernels)
    : m_byteOrder(byteOrder)
    , m_converter(byteOrder, kernels)
{ }

Utf16Block Utf16BlockToUtf8::convert(std::string_view bytes, bool startsInsideUnit)
{
    // A high surrogate at the start may pair with the unit after it, so the head runs on to
    // the first unit that leaves nothing waiting.
    std::size_t headEnd = startsInsideUnit ? 1 : 0;
    bool settled = false;
    while (!settled && headEnd + 2 <= bytes.size()) {
        settled = !QChar::isHighSurrogate(unitAt(bytes, headEnd));
        headEnd += 2;
    }
    if (!settled)
        return { bytes, {}, {} };
    std::string_view middle = bytes.substr(headEnd);
    // The tail takes the whole run of high surrogates at the end: its last may open a pair
    // with the next block's first unit, and the middle must end with nothing left waiting.
    std::size_t tailLength = middle.size() % 2;
    while (middle.size() >= tailLength + 2
           && QChar::isHighSurrogate(unitAt(middle, middle.size() - tailLength - 2)))
        tailLength += 2;
    const std::string_view tail = middle.substr(middle.size() - tailLength);
    middle.remove_suffix(tailLength);
    return { bytes.substr(0, headEnd), m_converter.convert(middle), tail };
}

char16_t Utf16BlockToUtf8::unitAt(std::string_view bytes, std::size_t at) const
{
    const auto first = std::uint8_t(bytes[at]);
    const auto second = std::uint8_t(bytes[at + 1]);
    return m_byteOrder == TextEncoding::Utf16BigEndian ? char16_t(first << 8 | second)
                                                       : char16_t(second << 8 | first);
}

} // namespace velmora
