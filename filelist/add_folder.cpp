#include "add_folder.h"

#include "platform/folder_picker.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

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

// Without QDir::Hidden the listing leaves out what Qt calls hidden, which is the system's
// hidden attribute on Windows and a leading dot elsewhere; without QDir::System it leaves out
// broken links.
QList<SubFolder> listSubFolders(const QString& folder)
{
    QList<SubFolder> found;
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        found.append({ info.fileName(), info.isSymLink() || info.isJunction() });
    }
    std::sort(found.begin(), found.end(), [](const SubFolder& left, const SubFolder& right) {
        return nameLess(left.name, right.name);
    });
    return found;
}

QString realChildPath(const QString& realParent, const QString& name)
{
    // Qt's canonical paths use '/' and end in one only at a root.
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
        const QString real = QFileInfo(folder).canonicalFilePath();
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
            const QString real = sub.isLink ? QFileInfo(parent + sub.name).canonicalFilePath()
                                            : realChildPath(realParent, sub.name);
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
    QStringList names;
    // QDir::Hidden admits hidden files; leaving out QDir::System keeps out broken links and,
    // on Unix, pipes and devices that would stall the counting.
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        QString name = it.nextFileInfo().fileName();
        if (pattern.matches(name))
            names.append(std::move(name));
    }
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

} // namespace velmora
