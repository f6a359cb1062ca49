#include "counting/match/byte_search.h"
#include "counting/scan/line_counter_kernel.h"
#include "counting/simd/kernel_rows.h"
#include "portable_classifier.h"

namespace velmora::portable {

namespace {

void countCompleteLines(LineCounter& counter, const char* begin, const char* end)
{
    counter.countCompleteLinesWith<PortableClassifier>(begin, end);
}

// The pair scanner's plain way takes every place from the start.
const char* skipToPair(const PairScanner&, const char* at, const char*)
{
    return at;
}

const char* skipToPairOrStrayReturn(const PairScanner&, const char* at, const char*, std::uint64_t&)
{
    return at;
}

bool holdsBytes(std::string_view haystack, std::string_view needle, bool ignoreAsciiCase)
{
    if (haystack.size() < needle.size())
        return false;
    return holdsBytesFrom(haystack.data(), haystack.data() + (haystack.size() - needle.size()),
                          needle, ignoreAsciiCase);
}

// Classifying a byte at a time is slower than decoding: the plain count takes all text.
std::optional<std::uint64_t> plainValidUtf16Length(std::string_view)
{
    return std::nullopt;
}

Utf16Conversion convertUtf16(const char* bytes, std::size_t units, TextEncoding byteOrder,
                             char* utf8)
{
    Utf16Conversion done;
    if (byteOrder == TextEncoding::Utf16BigEndian)
        convertPlainUtf16Units<true>(bytes, units, units, utf8, done);
    else
        convertPlainUtf16Units<false>(bytes, units, units, utf8, done);
    return done;
}

} // namespace

const SimdKernels kernels { SimdLevel::Portable, &countCompleteLines,
                            &skipToPair,         &skipToPairOrStrayReturn,
                            &holdsBytes,         &plainValidUtf16Length,
                            &convertUtf16 };

} // namespace velmora::portable
