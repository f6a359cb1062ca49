#pragma once

#include <QAbstractTableModel>
#include <QPointer>

namespace velmora {

/// The rows of another model from `firstRow()` on, `pageRows()` of them at most: what a list
/// too long for a view's pixel positions shows at a time. Qt's views place rows at int pixel
/// positions, which run out near 100 million rows of a usual height; a page of them never
/// does, and moving the page is a matter of changing its first row.
class RowPageModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setSourceModel(QAbstractItemModel* source);
    QAbstractItemModel* sourceModel() const { return m_source; }

    int firstRow() const { return m_firstRow; }
    /// Shows the source's rows from `row` on, kept where a whole page still follows.
    void setFirstRow(int row);
    int pageRows() const { return m_pageRows; }
    void setPageRows(int rows);
    /// The greatest first row: the one that shows the source's last row at the page's end.
    int lastFirstRow() const;
    int sourceRowCount() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QModelIndex sourceIndex(const QModelIndex& index) const;
    void keepFirstRowInRange();

    QPointer<QAbstractItemModel> m_source;
    int m_firstRow = 0;
    int m_pageRows = 1;
};

} // namespace velmora
