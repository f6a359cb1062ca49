#pragma once

#include <QString>

namespace velmora {

/// A folder tree of empty files for the folder benchmarks: top folders, each with sub-folders,
/// and the same number of files in every folder.
struct TreeShape
{
    int topFolders;
    int subFoldersEach;
    int filesEach;

    int folders() const { return topFolders * (1 + subFoldersEach); }
    int files() const { return folders() * filesEach; }
};

/// Builds the tree under `root`; false when the disk refuses.
bool buildTree(const QString& root, const TreeShape& shape);

} // namespace velmora
