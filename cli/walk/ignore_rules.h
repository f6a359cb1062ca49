#pragma once

#include "ignore_pattern.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The patterns of one ignore file, or of the --exclude options, in their order.
class IgnoreFile
{
public:
    IgnoreFile() = default;
    /// Each line of `text` a pattern.
    explicit IgnoreFile(std::string_view text);

    void add(std::string_view line);
    bool isEmpty() const { return m_patterns.empty(); }

    /// What the last pattern that matches `path` (relative to the file's folder) says; nothing
    /// when none does.
    std::optional<IgnoreVerdict> verdictFor(std::string_view path, EntryType type) const;

private:
    std::vector<IgnorePattern> m_patterns;
};

/// Where a folder's patterns apply from: the walked folder's paths ("a/b.txt") are made
/// relative to that folder by putting `prepend` before them and leaving `strip` bytes out,
/// so that one relation serves folders above the walked one and folders below it.
struct PathRelation
{
    std::string prepend;
    std::size_t strip = 0;

    std::string relative(std::string_view walkedPath) const;
};

/// The patterns of a git repository that no folder holds: .git/info/exclude, then git's
/// global excludes file, each relative to the work tree's top folder.
struct RepositoryExcludes
{
    PathRelation top;
    IgnoreFile infoExclude;
    IgnoreFile globalExcludes;
};

/// The ignore files of one folder and of every folder above it, as a chain up to the first
/// folder the walk, or the system, holds. A folder without ignore files of its own shares its
/// parent's level.
struct IgnoreLevel
{
    std::shared_ptr<const IgnoreLevel> parent;
    PathRelation relation;
    IgnoreFile dotIgnore;
    IgnoreFile gitIgnore;
    /// The work tree's top folder: .gitignore files above it are not git's.
    bool repositoryTop = false;
    /// The repository the folder is in, if any.
    std::shared_ptr<const RepositoryExcludes> repository;
};

/// Whether `path` (relative to the walked folder) is left out as ripgrep decides it: a .ignore
/// pattern from the deepest folder up first, then .gitignore the same way up to the work tree's
/// top, then .git/info/exclude, then the global excludes file. The first that matches decides.
bool isIgnored(const IgnoreLevel* level, std::string_view path, EntryType type);

} // namespace velmora
