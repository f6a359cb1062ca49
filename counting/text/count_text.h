#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace velmora {

/// Room for the longest count and its tab, with what putCountAndTab() may write past them.
constexpr std::size_t countAndTabRoom = 21;

namespace detail {

constexpr std::size_t tabledCountSize = 4;
using TabledCounts = std::array<std::array<char, tabledCountSize>, 1000>;

/// "0\t" to "999\t", each in four bytes.
constexpr TabledCounts makeTabledCounts()
{
    TabledCounts texts {};
    for (std::size_t count = 0; count < texts.size(); ++count) {
        std::size_t at = 0;
        if (count >= 100)
            texts[count][at++] = char('0' + count / 100);
        if (count >= 10)
            texts[count][at++] = char('0' + count / 10 % 10);
        texts[count][at++] = char('0' + count % 10);
        texts[count][at] = '\t';
    }
    return texts;
}

inline constexpr TabledCounts tabledCounts = makeTabledCounts();

/// How many of each tabled text's bytes count: the digits and the tab.
constexpr std::array<unsigned char, 1000> makeTabledCountSizes()
{
    std::array<unsigned char, 1000> sizes {};
    for (std::size_t count = 0; count < sizes.size(); ++count)
        sizes[count] = static_cast<unsigned char>(2 + int(count >= 10) + int(count >= 100));
    return sizes;
}

inline constexpr std::array<unsigned char, 1000> tabledCountSizes = makeTabledCountSizes();

} // namespace detail

/// Writes `count` in plain decimal and a tab at `out` and returns their end. Most lines are
/// shorter than a thousand units: their counts are copied whole, without a digit loop.
inline char* putCountAndTab(char* out, std::uint64_t count)
{
    if (count < detail::tabledCounts.size()) {
        std::memcpy(out, detail::tabledCounts[count].data(), detail::tabledCountSize);
        return out + detail::tabledCountSizes[count];
    }
    out = std::to_chars(out, out + countAndTabRoom, count).ptr;
    *out++ = '\t';
    return out;
}

/// Appends `number` in decimal digits to `text`.
inline void appendNumber(std::string& text, std::uint64_t number)
{
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text.append(digits, std::size_t(end - digits));
}

} // namespace velmora
