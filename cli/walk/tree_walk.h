#pragma once

#include "filelist/file_name_pattern.h"
#include "ignore_rules.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace velmora {

/// Which files a walk takes, beyond its own rules.
struct WalkChoices
{
    /// The files' name patterns ("*.txt"); empty: every file.
    std::vector<FileNamePattern> namePatterns;
    /// Patterns in .gitignore syntax matched against the paths below the walked folder; they
    /// decide before any ignore file.
    IgnoreFile excluded;
    /// Whether .gitignore, .ignore and git's exclude files are read.
    enum class IgnoreFiles { Read, Pass } ignoreFiles = IgnoreFiles::Read;
    /// How many folders down files are taken from; 0: the walked folder's own files only.
    std::optional<std::uint64_t> maxDepth;
};

/// Told of each file or folder a walk cannot reach: its path as the files' are made, and why.
using WalkComplaint = std::function<void(const QString& path, const QString& cause)>;

/// Walks folders for velmora-count as the window's folder add walks them, and as fast as a
/// listing allows: each folder is opened, looked at and listed once, and only links and
/// entries whose kind the listing does not give are looked up one by one. The order is the
/// window's: a folder's own files sorted by name, then its sub-folders level by level; names
/// beginning with "~" and folders beginning with "." are left out (hidden files are walked),
/// and each real folder is walked once. Ignore files are read as ripgrep reads them.
class TreeWalk
{
public:
    explicit TreeWalk(WalkChoices choices);

    /// Hands `found` the path of every file taken below `folder`, each being the folder, a
    /// separator and the path below it with doubled separators reduced.
    void walk(const QString& folder, const std::function<void(const QString&)>& found,
              const WalkComplaint& unreachable);

    /// Whether the name pattern at `index` took any file in the walks so far.
    bool patternTookFiles(std::size_t index) const { return m_patternTook.at(index); }

private:
    struct Folder;
    std::shared_ptr<const IgnoreLevel> levelsAbove(const QByteArray& folder) const;

    WalkChoices m_choices;
    std::vector<bool> m_patternTook;
};

} // namespace velmora
