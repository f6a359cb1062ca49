#include "list_model.h"

namespace velmora {

void ListModel::addColumnHeader(const QString& text)
{
    const int column = static_cast<int>(m_headers.size());
    beginInsertColumns({}, column, column);
    m_headers.append(text);
    endInsertColumns();
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_headers.at(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

} // namespace velmora
