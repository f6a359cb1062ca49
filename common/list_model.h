#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace velmora {

/// The part both lists of the window share: columns that are added one by one, each with only
/// a header text. What the rows hold is the subclass's affair.
class ListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    /// Appends a column; it shows `text` in the header, left-aligned.
    void addColumnHeader(const QString& text);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
};

} // namespace velmora
