#pragma once

#include "text_encoding.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace velmora {

struct SimdKernels;

/// Turns 16-bit text, given in pieces that may split a unit or a surrogate pair anywhere, into
/// UTF-8. Each UTF-16 unit of the text gives exactly one UTF-16 unit back when the UTF-8 is
/// decoded again (a lone surrogate becomes U+FFFD), so counts taken on the UTF-8 are counts
/// of the 16-bit text.
class Utf16ToUtf8
{
public:
    /// Converts with the vector way of `kernels` (the engine's: chosenSimdKernels()).
    Utf16ToUtf8(TextEncoding byteOrder, const SimdKernels& kernels);

    /// The UTF-8 of the complete units in `bytes` (and in what earlier calls left over), in
    /// the converter's own buffer, valid until the next call.
    std::string_view convert(std::string_view bytes);
    /// What the end of the text completes: a high surrogate still waiting for its partner
    /// becomes U+FFFD, and so does a final odd byte, each one unit. Valid until the next call.
    std::string_view finish();

private:
    /// A buffer with room for at least `bytes` bytes; what it held before is gone.
    char* room(std::size_t bytes);
    /// Writes the UTF-8 that `unit` completes at `utf8` the careful way, surrogates by
    /// surrogates; gives the bytes written, at most six.
    std::size_t writeUnit(char16_t unit, char* utf8);

    const SimdKernels& m_kernels;
    TextEncoding m_byteOrder;
    int m_pendingByte = -1;
    char16_t m_pendingHighSurrogate = 0;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
};

} // namespace velmora
