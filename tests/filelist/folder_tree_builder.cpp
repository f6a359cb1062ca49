#include "folder_tree_builder.h"

#include "common/path_bytes.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::testing {

namespace {

/// A descriptor of the folder `relative` under `root`, each folder on the way made as needed
/// and opened from the one above it, so that trees deeper than the system's path limit can be
/// built too; -1 when one cannot be made.
int openMadeFolders(const QByteArray& root, const QByteArray& relative)
{
    std::error_code error;
    std::filesystem::create_directories(root.toStdString(), error);
    int folder = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray& name : relative.split('/')) {
        if (folder < 0 || name.isEmpty())
            continue;
        const bool made = ::mkdirat(folder, name.constData(), 0777) == 0 || errno == EEXIST;
        const int next
            = made ? ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        ::close(folder);
        folder = next;
    }
    return folder;
}

bool buildLine(const QByteArray& root, const QString& line)
{
    const qsizetype arrow = line.indexOf(QLatin1String(" -> "));
    const QByteArray path = pathBytes(arrow < 0 ? line : line.left(arrow));
    const qsizetype lastSeparator = path.lastIndexOf('/');
    const int folder = openMadeFolders(root, path.left(lastSeparator + 1));
    if (folder < 0)
        return false;
    const QByteArray name = path.mid(lastSeparator + 1);
    bool built = true;
    if (arrow >= 0) {
        built = ::symlinkat(pathBytes(line.mid(arrow + 4)).constData(), folder, name.constData())
            == 0;
    } else if (!name.isEmpty()) {
        const int file
            = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        built = file >= 0 && ::close(file) == 0;
    }
    ::close(folder);
    return built;
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
