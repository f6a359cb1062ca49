#include "file_list_model.h"

#include "common/path_bytes.h"

namespace velmora {

void FileListModel::appendEntry(const QString& path)
{
    appendEntries({ path });
}

void FileListModel::appendEntries(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    const int first = entryCount();
    beginInsertRows({}, first, first + static_cast<int>(paths.size()) - 1);
    m_entries.append(paths);
    endInsertRows();
}

bool FileListModel::removeEntry(int position)
{
    if (position < 1 || position > entryCount())
        return false;
    const int row = position - 1;
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    return true;
}

void FileListModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : entryCount();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    // Qt's model tester asks about the invalid index too, which is no misuse to warn about.
    if (!index.isValid() || !checkIndex(index) || index.column() != 0)
        return {};
    if (role == Qt::DisplayRole)
        return displayedPath(m_entries.at(index.row()));
    return {};
}

} // namespace velmora
