#pragma once

#include "counting/simd/chunk_masks.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace velmora {

/// The count in UTF-16 units of text that is plainly valid UTF-8 (as the line counter's chunks
/// take it: each continuation byte where a lead calls for it, no invalid lead, each second byte
/// in its lead's range), which is its bytes less its continuation bytes plus its four-byte
/// sequences; nothing for other text. Written once for every level's classifier; inlined into
/// each level's kernel, so that it takes on its instructions.
template<typename Classifier>
inline __attribute__((always_inline)) std::optional<std::uint64_t>
plainValidUtf16LengthWith(std::string_view utf8)
{
    constexpr std::size_t chunkSize = 64;
    std::uint64_t extraBytes = 0;
    std::uint64_t awaited = 0;
    SecondByteCheck secondBytes;
    char padded[chunkSize];
    for (std::size_t at = 0; at < utf8.size(); at += chunkSize) {
        const char* chunk = utf8.data() + at;
        const std::size_t available = utf8.size() - at;
        if (available < chunkSize) {
            // Zeros after the end: a sequence that the text cuts short finds no continuation.
            std::memset(padded, 0, chunkSize);
            std::memcpy(padded, chunk, available);
            chunk = padded;
        }
        const Utf8Masks masks = Classifier::classifyUtf8(chunk);
        if (((masks.continuations ^ (awaited | masks.calledFor())) | masks.invalidLeads
             | secondBytes.outOfRange(masks))
            != 0)
            return std::nullopt;
        awaited = masks.calledForNext();
        extraBytes += std::uint64_t(Classifier::bitCount(masks.continuations)
                                    - Classifier::bitCount(masks.fourByteLeads));
    }
    return utf8.size() - extraBytes;
}

} // namespace velmora
