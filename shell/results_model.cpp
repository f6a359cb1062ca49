#include "results_model.h"

namespace velmora {

QString sortKeyText(std::uint64_t count)
{
    return QStringLiteral("%1").arg(count, 10, 10, QLatin1Char('0'));
}

QString displayedLine(std::string_view bytes, std::size_t maxBytes)
{
    if (bytes.size() <= maxBytes)
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    std::size_t cut = maxBytes;
    // Cut before a character, not inside one.
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(bytes.data(), qsizetype(cut)) + QChar(0x2026);
}

void ResultsModel::setStore(ResultStore&& store)
{
    beginResetModel();
    m_rows.setStore(std::move(store));
    endResetModel();
}

void ResultsModel::addLocationColumns()
{
    if (hasLocationColumns())
        return;
    for (const QString& title : locationColumnTitles())
        addColumnHeader(title);
}

QStringList ResultsModel::locationColumnTitles()
{
    return { QStringLiteral("File"), QStringLiteral("Line no.") };
}

QString ResultsModel::rowText(int position) const
{
    const ResultRow shown = row(position);
    return QString::number(shown.count) + QLatin1Char('\t')
        + QString::fromUtf8(shown.bytes.data(), qsizetype(shown.bytes.size()));
}

QString ResultsModel::locationText(int position) const
{
    return m_rows.filePath(position) + QLatin1Char(':')
        + QString::number(m_rows.lineNumber(position));
}

void ResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ResultsModel::sortByKey(Qt::SortOrder order)
{
    if (m_rows.rowCount() == 0)
        return;
    const QModelIndexList persistent = persistentIndexList();
    std::vector<int> storeRows;
    storeRows.reserve(std::size_t(persistent.size()));
    for (const QModelIndex& index : persistent)
        storeRows.push_back(m_rows.storeRow(index.row()));

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_rows.sortByCount(order);
    if (!persistent.isEmpty()) {
        std::vector<int> positionOfStoreRow(std::size_t(m_rows.rowCount()));
        for (int position = 0; position < m_rows.rowCount(); ++position)
            positionOfStoreRow[std::size_t(m_rows.storeRow(position))] = position;
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i) {
            moved.append(index(positionOfStoreRow[std::size_t(storeRows[std::size_t(i)])],
                               persistent[i].column()));
        }
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.rowCount();
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (index.column()) {
    case CountColumn:
        return QString::number(row(index.row()).count);
    case SortKeyColumn:
        return sortKeyText(row(index.row()).count);
    case LineColumn:
        return displayedLine(row(index.row()).bytes);
    case FileColumn:
        return m_rows.filePath(index.row());
    case LineNumberColumn:
        return QString::number(m_rows.lineNumber(index.row()));
    default:
        return {};
    }
}

void ResultsModel::sort(int column, Qt::SortOrder order)
{
    if (column == SortKeyColumn)
        sortByKey(order);
}

} // namespace velmora
