#pragma once

#include <QStringList>

namespace velmora::testing {

/// Builds a tree under `root` from lines relative to it: "a/b.txt" an empty file (its folders
/// made as needed), "a/" a folder, "a/up -> .." a symbolic link with the target as written.
/// Returns false, with a warning, at the first line it cannot build.
bool buildFolderTree(const QString& root, const QStringList& lines);

/// Each of `relativePaths` prefixed with `folder` and '/'.
QStringList underFolder(const QString& folder, const QStringList& relativePaths);

} // namespace velmora::testing
