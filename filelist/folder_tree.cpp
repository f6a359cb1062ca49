#include "folder_tree.h"

#include "path_rules.h"

#include <QDir>
#include <QSet>

namespace velmora {

namespace {

// Listing the files of the collected folders has no natural yield of its own; these bounds
// keep the window repainting while each batch still brings hundreds of rows at once.
constexpr int kFoldersBetweenYields = 16;
constexpr qsizetype kEntriesBetweenYields = 1024;

} // namespace

WalkStep walkFolderTreeFiles(const QString& folder, const FileNamePattern& pattern,
                             DoubledSeparators separators,
                             const std::function<void(const QString&)>& found,
                             const WalkYield& yieldToEvents, const WalkFailureSink& unreachable)
{
    // A folder that cannot be read fails both when its sub-folders are collected and when its
    // files are listed, and a link that cannot be followed in both listings: it is told once.
    QSet<QString> told;
    WalkFailureSink tellOnce;
    if (unreachable) {
        tellOnce = [&](const WalkFailure& failure) {
            WalkFailure shown = failure;
            if (separators == DoubledSeparators::Reduce)
                shown.path = reduceDoubledSeparators(shown.path);
            if (!told.contains(shown.path)) {
                told.insert(shown.path);
                unreachable(shown);
            }
        };
    }
    const QChar separator = QDir::separator();
    QStringList folders { folder + separator };
    WalkStep step = WalkStep::Continue;
    CollectSubFolders(
        folders, [&] { return step = yieldToEvents(); }, tellOnce);
    if (step == WalkStep::Stop)
        return step;

    int foldersSinceYield = 0;
    qsizetype entriesSinceYield = 0;
    for (const QString& collected : std::as_const(folders)) {
        const QString directory = collected.chopped(1);
        // A name holds no separator, so reducing the folder part once gives the same text as
        // reducing each whole path.
        QString prefix = directory + separator;
        if (separators == DoubledSeparators::Reduce)
            prefix = reduceDoubledSeparators(prefix);
        for (const QString& name : ListFolderFiles(directory, pattern, tellOnce)) {
            if (!name.startsWith(QLatin1Char('~'))) {
                found(prefix + name);
                ++entriesSinceYield;
            }
        }
        if (++foldersSinceYield >= kFoldersBetweenYields
            || entriesSinceYield >= kEntriesBetweenYields) {
            foldersSinceYield = 0;
            entriesSinceYield = 0;
            if (yieldToEvents() == WalkStep::Stop)
                return WalkStep::Stop;
        }
    }
    return WalkStep::Continue;
}

} // namespace velmora
