#pragma once

#include "utf16_to_utf8.h"

#include <string_view>

namespace velmora {

/// A block of 16-bit text converted apart from the blocks around it. The units at its edges,
/// whose meaning depends on the neighbouring blocks (half a unit, a high surrogate that may
/// open a pair, a low surrogate that may close one), stay 16-bit, for the converter that runs
/// through the whole text in order to take them.
struct Utf16Block
{
    /// The block's first bytes, up to and with its first whole unit that is not a high
    /// surrogate; the whole block when it has none.
    std::string_view head;
    /// The UTF-8 of the units between: what a converter that had taken everything before them
    /// would give, since it starts and ends with no unit left waiting.
    std::string_view utf8;
    /// The block's last bytes from its last run of high surrogates, when it ends with one, and
    /// its half a unit at the end.
    std::string_view tail;
};

/// Converts one block after another, each on its own, so that blocks may be converted on
/// another thread, ahead of the converter that then takes only their edges.
class Utf16BlockToUtf8
{
public:
    Utf16BlockToUtf8(TextEncoding byteOrder, const SimdKernels& kernels);

    /// Splits `bytes` and converts its middle, in a buffer of its own, valid until the next
    /// call. `startsInsideUnit` says that the first byte is the second of a unit. Throws
    /// std::bad_alloc when the buffer cannot grow.
    Utf16Block convert(std::string_view bytes, bool startsInsideUnit);

private:
    char16_t unitAt(std::string_view bytes, std::size_t at) const;

    TextEncoding m_byteOrder;
    Utf16ToUtf8 m_converter;
};

} // namespace velmora
