#pragma once

#include <QStringList>
#include <QTemporaryDir>

namespace velmora::testing {

/// Builds a tree under `root` from lines relative to it: "a/b.txt" an empty file (its folders
/// made as needed, at any depth), "a/" a folder, "a/up -> .." a symbolic link with the target
/// as written.
/// Names are taken as pathBytes() gives them, so U+DC80 to U+DCFF make names that are not
/// UTF-8. Returns false, with a warning, at the first line it cannot build.
bool buildFolderTree(const QString& root, const QStringList& lines);

/// Each of `relativePaths` prefixed with `folder` and '/'.
QStringList underFolder(const QString& folder, const QStringList& relativePaths);

/// A temporary folder removed with all it holds, also names that are not UTF-8, which
/// QTemporaryDir would leave behind.
class ScratchFolder
{
public:
    ScratchFolder() = default;
    ~ScratchFolder();
    Q_DISABLE_COPY_MOVE(ScratchFolder)
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

} // namespace velmora::testing
