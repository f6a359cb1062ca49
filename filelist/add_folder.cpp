#include "add_folder.h"

#include "common/long_path.h"
#include "common/path_bytes.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmora {

namespace {

// Case-insensitive first so that listings read as a file manager shows them, then by code
// unit so that names differing only in case still come in one fixed order. Neither depends
// on the locale or on the order the file system happens to keep.
bool nameLess(const QString& left, const QString& right)
{
    const int folded = left.compare(right, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : left < right;
}

/// Which real folder a path leads to, as find and du tell folders apart: a link or a bind
/// mount that leads back up the tree meets a folder already walked, whatever its path.
using FolderId = std::pair<dev_t, ino_t>;

FolderId folderIdOf(const struct stat& status)
{
    return { status.st_dev, status.st_ino };
}

struct SubFolder
{
    QString name;
    FolderId id;
};

struct DirectoryCloser
{
    void operator()(DIR* folder) const { ::closedir(folder); }
};

/// Whether a listing looks up what each sub-folder is, for its FolderId.
enum class FolderIds { Wanted, NotWanted };

/// What a listed entry is, a link taken as what it leads to.
struct EntryKind
{
    bool isFolder = false;
    bool isFile = false;
    FolderId id {}; ///< of a folder, when wanted
    int failure = 0; ///< errno when what the entry is cannot be read
};

/// `folder`: the descriptor of the listed folder.
EntryKind kindOf(int folder, const dirent& entry, FolderIds ids)
{
    switch (entry.d_type) {
    case DT_DIR:
        if (ids == FolderIds::NotWanted)
            return { true, false };
        break;
    case DT_REG:
        return { false, true };
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return {};
    }
    // Only folders whose identity is wanted, links and file systems that give no type cost a
    // look-up of their own.
    struct stat status;
    if (::fstatat(folder, entry.d_name, &status, 0) != 0) {
        // A link to nothing, or an entry gone since it was listed, is nothing to take.
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return { false, false, {}, errno };
    }
    return { S_ISDIR(status.st_mode), S_ISREG(status.st_mode), folderIdOf(status) };
}

/// `path` as a message names it: without the separators that end it, but for the root.
QByteArray withoutTrailingSeparators(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

void tell(const WalkFailureSink& unreachable, const QByteArray& path, int cause)
{
    if (unreachable)
        unreachable({ pathFromBytes(path), qt_error_string(cause) });
}

/// A listing of `folder`, or null with errno set. A short path opens as it always has; only
/// one longer than the system takes in one call is opened a stretch at a time.
DIR* openListing(const QByteArray& folder)
{
    if (folder.size() < PATH_MAX)
        return ::opendir(folder.constData());
    const int descriptor = openLongPath(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    DIR* listing = ::fdopendir(descriptor);
    if (!listing) {
        const int cause = errno;
        ::close(descriptor);
        errno = cause;
    }
    return listing;
}

/// Calls `take` with the bytes of each entry of `folder` but "." and "..", and its kind;
/// what cannot be read is told to `unreachable` instead. Names are bytes on Linux, so they
/// are read as bytes and kept whole by pathFromBytes(): no name is left out, or turned into
/// another, for not being UTF-8. The folder is opened by its bytes whatever their length, and
/// its entries looked at from its descriptor.
template<typename Take>
void listEntries(const QString& folder, FolderIds ids, const WalkFailureSink& unreachable,
                 Take take)
{
    const QByteArray folderBytes = pathBytes(folder);
    const QByteArray shownFolder = withoutTrailingSeparators(folderBytes);
    const std::unique_ptr<DIR, DirectoryCloser> listing(openListing(folderBytes));
    if (!listing)
        return tell(unreachable, shownFolder, errno);
    const int descriptor = ::dirfd(listing.get());
    const QByteArray entryPrefix = shownFolder == "/" ? shownFolder : shownFolder + '/';
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing.get());
        if (!entry) {
            // A listing that fails midway has given what it could.
            if (errno != 0)
                tell(unreachable, shownFolder, errno);
            return;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const EntryKind kind = kindOf(descriptor, *entry, ids);
        if (kind.failure != 0)
            tell(unreachable, entryPrefix + entry->d_name, kind.failure);
        else
            take(entry->d_name, kind);
    }
}

// A name that begins with a dot is hidden. Broken links, pipes and devices are neither files
// nor folders here.
QList<SubFolder> listSubFolders(const QString& folder, const WalkFailureSink& unreachable)
{
    QList<SubFolder> found;
    listEntries(folder, FolderIds::Wanted, unreachable, [&](const char* name, EntryKind kind) {
        if (kind.isFolder && name[0] != '.')
            found.append({ pathFromBytes(name), kind.id });
    });
    std::sort(found.begin(), found.end(), [](const SubFolder& left, const SubFolder& right) {
        return nameLess(left.name, right.name);
    });
    return found;
}

} // namespace

void CollectSubFolders(QStringList& folders, const WalkYield& yieldToEvents,
                       const WalkFailureSink& unreachable)
{
    // Every folder walked or waiting to be, to walk each real folder once.
    QSet<FolderId> walked;
    QList<bool> toWalk;
    for (const QString& folder : std::as_const(folders)) {
        struct stat status;
        const bool found = statLongPath(pathBytes(folder), &status) == 0;
        if (!found) {
            const int cause = errno;
            tell(unreachable, withoutTrailingSeparators(pathBytes(folder)), cause);
        }
        const bool firstVisit = found && !walked.contains(folderIdOf(status));
        if (firstVisit)
            walked.insert(folderIdOf(status));
        toWalk.append(firstVisit);
    }

    const QChar separator = QDir::separator();
    // A breadth-first queue gives the level-by-level order: each folder's sub-folders go to
    // the end, after those of the folders before it.
    for (qsizetype i = 0; i < folders.size(); ++i) {
        if (!toWalk.at(i))
            continue;
        if (yieldToEvents() == WalkStep::Stop)
            return;
        const QString parent = folders.at(i);
        for (const SubFolder& sub : listSubFolders(parent, unreachable)) {
            if (yieldToEvents() == WalkStep::Stop)
                return;
            if (walked.contains(sub.id))
                continue;
            walked.insert(sub.id);
            folders.append(parent + sub.name + separator);
            toWalk.append(true);
        }
    }
}

QStringList ListFolderFiles(const QString& folder, const FileNamePattern& pattern,
                            const WalkFailureSink& unreachable)
{
    // Hidden files count; broken links, pipes and devices, which would stall the counting,
    // do not.
    QStringList names;
    listEntries(folder, FolderIds::NotWanted, unreachable, [&](const char* bytes, EntryKind kind) {
        if (!kind.isFile)
            return;
        QString name = pathFromBytes(bytes);
        if (pattern.matches(name))
            names.append(std::move(name));
    });
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

} // namespace velmora
