#include "add_folder.h"

#include "common/path_bytes.h"
#include "platform/folder_picker.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

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

struct SubFolder
{
    QString name;
    bool isLink;
};

struct DirectoryCloser
{
    void operator()(DIR* folder) const { ::closedir(folder); }
};

/// What a listed entry is, a link taken as what it leads to.
struct EntryKind
{
    bool isFolder = false;
    bool isFile = false;
    bool isLink = false;
};

/// `folder`: the listed folder's bytes, ending in a separator.
EntryKind kindOf(const QByteArray& folder, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return { true, false, false };
    case DT_REG:
        return { false, true, false };
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return {};
    }
    // Only links and file systems that give no type cost a look-up of their own.
    const QByteArray path = folder + entry.d_name;
    struct stat status;
    const bool isLink = entry.d_type == DT_LNK
        || (::lstat(path.constData(), &status) == 0 && S_ISLNK(status.st_mode));
    if (::stat(path.constData(), &status) != 0)
        return {};
    return { S_ISDIR(status.st_mode), S_ISREG(status.st_mode), isLink };
}

/// Calls `take` with the bytes of each entry of `folder` but "." and "..", and its kind.
/// Names are bytes on Linux, so they are read as bytes and kept whole by pathFromBytes():
/// no name is left out, or turned into another, for not being UTF-8.
template<typename Take> void listEntries(const QString& folder, Take take)
{
    QByteArray folderBytes = pathBytes(folder);
    if (!folderBytes.endsWith('/'))
        folderBytes += '/';
    const std::unique_ptr<DIR, DirectoryCloser> listing(::opendir(folderBytes.constData()));
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        take(entry->d_name, kindOf(folderBytes, *entry));
    }
}

// A name that begins with a dot is hidden. Broken links, pipes and devices are neither files
// nor folders here.
QList<SubFolder> listSubFolders(const QString& folder)
{
    QList<SubFolder> found;
    listEntries(folder, [&](const char* name, EntryKind kind) {
        if (kind.isFolder && name[0] != '.')
            found.append({ pathFromBytes(name), kind.isLink });
    });
    std::sort(found.begin(), found.end(), [](const SubFolder& left, const SubFolder& right) {
        return nameLess(left.name, right.name);
    });
    return found;
}

QString realPathOf(const QString& path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(
        ::realpath(pathBytes(path).constData(), nullptr), &std::free);
    return real ? pathFromBytes(real.get()) : QString();
}

QString realChildPath(const QString& realParent, const QString& name)
{
    // Real paths use '/' and end in one only at the root.
    if (realParent.endsWith(QLatin1Char('/')))
        return realParent + name;
    return realParent + QLatin1Char('/') + name;
}

} // namespace

QString PickFolder(FolderPicker& picker, const QString& prompt)
{
    return picker.pickFolder(prompt);
}

void CollectSubFolders(QStringList& folders, const WalkYield& yieldToEvents)
{
    // The real path of every folder walked or waiting to be, to walk each real folder once.
    // Only a link needs resolving: below a folder whose real path is known, a plain
    // sub-folder's real path is that path and its name, so deep trees cost no extra lookups.
    QSet<QString> walked;
    QStringList realPaths;
    for (const QString& folder : std::as_const(folders)) {
        const QString real = realPathOf(folder);
        const bool firstVisit = !real.isEmpty() && !walked.contains(real);
        if (firstVisit)
            walked.insert(real);
        realPaths.append(firstVisit ? real : QString());
    }

    const QChar separator = QDir::separator();
    // A breadth-first queue gives the level-by-level order: each folder's sub-folders go to
    // the end, after those of the folders before it.
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString realParent = realPaths.at(i);
        if (realParent.isEmpty())
            continue;
        if (yieldToEvents() == WalkStep::Stop)
            return;
        const QString parent = folders.at(i);
        for (const SubFolder& sub : listSubFolders(parent)) {
            if (yieldToEvents() == WalkStep::Stop)
                return;
            const QString real
                = sub.isLink ? realPathOf(parent + sub.name) : realChildPath(realParent, sub.name);
            if (real.isEmpty() || walked.contains(real))
                continue;
            walked.insert(real);
            folders.append(parent + sub.name + separator);
            realPaths.append(real);
        }
    }
}

QStringList ListFolderFiles(const QString& folder, const FileNamePattern& pattern)
{
    // Hidden files count; broken links, pipes and devices, which would stall the counting,
    // do not.
    QStringList names;
    listEntries(folder, [&](const char* bytes, EntryKind kind) {
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
