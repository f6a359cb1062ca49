#pragma once

#include "counting/text/plain_utf16_units.h"
#include "simd_level.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

class LineCounter;
class PairScanner;

/// Every loop of the engine that has vector forms, as one level compiles it. One row per level
/// (counting/simd/<level>/<level>_kernels.cpp); the engine picks its row once and calls through
/// it per block of text, never per chunk.
struct SimdKernels
{
    SimdLevel level;
    /// LineCounter's scan of the whole lines in [begin, end), which ends after a line feed.
    void (*countCompleteLines)(LineCounter& counter, const char* begin, const char* end);
    /// PairScanner's skip to the first place in [at, end) where its pair may stand; it stops
    /// where its blocks reach too near the end, for the plain way to go on.
    const char* (*skipToPair)(const PairScanner& scanner, const char* at, const char* end);
    /// The same, stopping at a carriage return inside a line too, and adding the line feeds it
    /// passes to `lineFeeds`.
    const char* (*skipToPairOrStrayReturn)(const PairScanner& scanner, const char* at,
                                           const char* end, std::uint64_t& lineFeeds);
    /// holdsBytes().
    bool (*holdsBytes)(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase);
    /// utf16Length()'s fast path: the count of text that is plainly valid UTF-8, nothing for
    /// other text.
    std::optional<std::uint64_t> (*plainValidUtf16Length)(std::string_view utf8);
    /// Utf16ToUtf8's fast path: convertPlainUtf16Units() over all `units` units at `bytes`,
    /// writing at `utf8`, which has room for three bytes a unit and 32 more.
    Utf16Conversion (*convertUtf16)(const char* bytes, std::size_t units, TextEncoding byteOrder,
                                    char* utf8);
};

/// The row of `level`, which this processor must run.
const SimdKernels& simdKernels(SimdLevel level);

/// The row of chosenSimdLevel().
const SimdKernels& chosenSimdKernels();

} // namespace velmora
