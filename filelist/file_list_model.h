#pragma once

#include "common/list_model.h"

#include <QStringList>

namespace velmora {

/// The file list: the ordered paths to count, duplicates allowed, appended at the end only,
/// never saved. Positions given to and taken from callers are 1-based.
class FileListModel final : public ListModel
{
    Q_OBJECT

public:
    using ListModel::ListModel;

    int entryCount() const { return static_cast<int>(m_entries.size()); }
    /// `position` from 1 to entryCount().
    QString entry(int position) const { return m_entries.at(position - 1); }
    const QStringList& entries() const { return m_entries; }

    /// Stored exactly as given: no check and no normalisation.
    void appendEntry(const QString& path);
    void appendEntries(const QStringList& paths);
    /// Later entries move up one place. A position outside 1 to entryCount() removes nothing
    /// and gives false.
    bool removeEntry(int position);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_entries;
};

} // namespace velmora
