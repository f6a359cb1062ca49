#include "folder_tree_builder.h"

#include "common/path_bytes.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::testing {

namespace {

bool makeFolders(const QByteArray& path)
{
    std::error_code error;
    std::filesystem::create_directories(path.toStdString(), error);
    return !error;
}

bool buildLine(const QByteArray& root, const QString& line)
{
    const qsizetype arrow = line.indexOf(QLatin1String(" -> "));
    const QByteArray path = root + '/' + pathBytes(arrow < 0 ? line : line.left(arrow));
    if (!makeFolders(path.left(path.lastIndexOf('/'))))
        return false;
    if (arrow >= 0)
        return ::symlink(pathBytes(line.mid(arrow + 4)).constData(), path.constData()) == 0;
    if (line.endsWith(QLatin1Char('/')))
        return makeFolders(path);
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return file >= 0 && ::close(file) == 0;
}

} // namespace

bool buildFolderTree(const QString& root, const QStringList& lines)
{
    const QByteArray rootBytes = pathBytes(root);
    for (const QString& line : lines) {
        if (!buildLine(rootBytes, line)) {
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

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(pathBytes(path()).toStdString(), error))
        std::filesystem::remove_all(entry.path(), error);
}

} // namespace velmora::testing
