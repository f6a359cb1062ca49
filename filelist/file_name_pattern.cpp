#include "file_name_pattern.h"

namespace velmora {

FileNamePattern::FileNamePattern(const QString& pattern)
    : m_folded(pattern.toCaseFolded())
    , m_matchesEverything(m_folded == QLatin1String("*") || m_folded == QLatin1String("*.*"))
{
    if (m_folded.endsWith(QLatin1String(".*")))
        m_foldedWithoutDotStar = m_folded.chopped(2);
}

bool FileNamePattern::matches(const QString& name) const
{
    if (m_matchesEverything)
        return true;
    const QString folded = name.toCaseFolded();
    if (wildcardMatch(m_folded, folded))
        return true;
    return !m_foldedWithoutDotStar.isEmpty() && !folded.contains(QLatin1Char('.'))
        && wildcardMatch(m_foldedWithoutDotStar, folded);
}

// Greedy matching that returns to the last "*" on a mismatch: linear for the patterns people
// type, and never worse than pattern length times name length.
bool FileNamePattern::wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype nameAtStar = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starAt = p++;
            nameAtStar = n;
        } else if (p < pattern.size()
                   && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++nameAtStar;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace velmora
