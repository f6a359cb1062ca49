#include "utf16_length.h"

#include "utf8_sequence.h"

#include <cstring>
#include <optional>

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

namespace {

#if defined(VELMORA_X86_SIMD)
/// The count of text that is plainly valid UTF-8 (as the line counter's chunks take it: each
/// continuation byte where a lead calls for it, no byte that needs a closer look), which is
/// its bytes less its continuation bytes plus its four-byte sequences; nothing for other text.
std::optional<std::uint64_t> plainValidLength(std::string_view utf8)
{
    constexpr std::size_t chunkSize = 64;
    std::uint64_t extraBytes = 0;
    std::uint64_t awaited = 0;
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
        const Utf8Masks masks = Sse2Classifier::classifyUtf8(chunk);
        if (((masks.continuations ^ (awaited | masks.calledFor())) | masks.trouble) != 0)
            return std::nullopt;
        awaited = masks.calledForNext();
        extraBytes += std::uint64_t(Sse2Classifier::bitCount(masks.continuations)
                                    - Sse2Classifier::bitCount(masks.fourByteLeads));
    }
    return utf8.size() - extraBytes;
}
#endif

} // namespace

std::uint64_t utf16Length(std::string_view utf8, SimdLevel level)
{
#if defined(VELMORA_X86_SIMD)
    if (level != SimdLevel::Portable) {
        if (const std::optional<std::uint64_t> length = plainValidLength(utf8))
            return *length;
    }
#else
    (void)level;
#endif
    return utf16Length(utf8);
}

Utf8Character firstCharacter(std::string_view utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    if (p[0] < 0x80)
        return { p[0], 1 };
    const std::size_t length = validUtf8SequenceLength(p, p + utf8.size());
    if (length == 0)
        return { 0xFFFD, 1 };
    return { decodeUtf8Sequence(p, length), length };
}

void appendWellFormed(std::string_view utf8, std::string& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        const std::size_t length = *p < 0x80 ? 1 : validUtf8SequenceLength(p, end);
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
