#include "folder_tree_maker.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace velmora {

namespace {

bool fillFolder(const QString& folder, int files)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < files; ++i) {
        QFile file(folder + u"/file"_s + QString::number(i) + u".txt"_s);
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

} // namespace

bool buildTree(const QString& root, const TreeShape& shape)
{
    for (int top = 0; top < shape.topFolders; ++top) {
        const QString topFolder = root + u"/top"_s + QString::number(top);
        if (!fillFolder(topFolder, shape.filesEach))
            return false;
        for (int sub = 0; sub < shape.subFoldersEach; ++sub) {
            if (!fillFolder(topFolder + u"/sub"_s + QString::number(sub), shape.filesEach))
                return false;
        }
    }
    return true;
}

} // namespace velmora
