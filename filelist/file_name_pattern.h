#pragma once

#include <QString>

namespace velmora {

/// A file-name wildcard as the folder add has always understood it: "*" stands for any run of
/// characters, "?" for exactly one, everything else for itself, letter case ignored; and, as
/// Windows listings have it, a final ".*" also matches a name that has no dot, so "*.*"
/// matches every name.
class FileNamePattern
{
public:
    explicit FileNamePattern(const QString& pattern);

    bool matches(const QString& name) const;

private:
    static bool wildcardMatch(QStringView pattern, QStringView name);

    QString m_folded;
    QString m_foldedWithoutDotStar; // empty unless the pattern ends in ".*"
    bool m_matchesEverything;
};

} // namespace velmora
