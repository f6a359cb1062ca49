#include "folder_tree_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora::testing {

namespace {

bool buildLine(const QDir& root, const QString& line)
{
    const qsizetype arrow = line.indexOf(QLatin1String(" -> "));
    const QString path = root.filePath(arrow < 0 ? line : line.left(arrow));
    if (!root.mkpath(QFileInfo(path).path()))
        return false;
    if (arrow >= 0)
        return QFile::link(line.mid(arrow + 4), path);
    if (line.endsWith(QLatin1Char('/')))
        return root.mkpath(path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

bool buildFolderTree(const QString& root, const QStringList& lines)
{
    const QDir dir(root);
    for (const QString& line : lines) {
        if (!buildLine(dir, line)) {
            qWarning("cannot build %s in %s", qPrintable(line), qPrintable(root));
            return false;
        }
    }
    return true;
}

QStringList underFolder(const QString& folder, const QStringList& relativePaths)
{
    QStringList paths;
    paths.reserve(relativePaths.size());
    for (const QString& relative : relativePaths)
        paths.append(folder + QLatin1Char('/') + relative);
    return paths;
}

} // namespace velmora::testing
