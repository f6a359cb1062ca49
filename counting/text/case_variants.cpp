#include "case_variants.h"

#include <QChar>

#include <algorithm>
#include <unordered_map>

namespace velmora {

namespace {

/// Every script with letter case lies in the first two planes; folding leaves the code points
/// after them as they are, and the table need not look at them.
constexpr char32_t lastCasedCodePoint = 0x1FFFF;

/// For each folded code point, the other code points that fold to it; made once, on first use.
const std::unordered_map<char32_t, std::vector<char32_t>>& foldedFrom()
{
    static const std::unordered_map<char32_t, std::vector<char32_t>> table = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> made;
        for (char32_t c = 0; c <= lastCasedCodePoint; ++c) {
            const char32_t folded = QChar::toCaseFolded(c);
            if (folded != c)
                made[folded].push_back(c);
        }
        return made;
    }();
    return table;
}

} // namespace

std::vector<char32_t> caseVariants(char32_t c)
{
    const char32_t folded = QChar::toCaseFolded(c);
    std::vector<char32_t> variants { folded };
    const auto& table = foldedFrom();
    if (const auto found = table.find(folded); found != table.end())
        variants.insert(variants.end(), found->second.begin(), found->second.end());
    std::sort(variants.begin(), variants.end());
    return variants;
}

} // namespace velmora
