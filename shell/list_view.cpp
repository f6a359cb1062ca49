#include "list_view.h"

#include "common/path_bytes.h"
#include "common/twips.h"

#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

namespace velmora {

ListView::ListView(double logicalDpi, QWidget* parent)
    : QTableView(parent)
    , m_logicalDpi(logicalDpi)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the next control of the window, not from cell to cell.
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    // Every row has the same height, so a list of millions of rows never measures one.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setMinimumSectionSize(0);
}

void ListView::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::columnsInserted, this, &ListView::nameAfterHeader);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &ListView::nameAfterHeader);
    nameAfterHeader();
}

void ListView::nameAfterHeader()
{
    QStringList headers;
    for (int column = 0; column < model()->columnCount(); ++column) {
        const QString text = model()->headerData(column, Qt::Horizontal).toString();
        if (!text.isEmpty())
            headers << text;
    }
    setAccessibleName(headers.join(QStringLiteral(", ")));
}

void ListView::setColumnWidthTwips(int column, int twips)
{
    const int pixels = twipsToPixels(twips, m_logicalDpi);
    setColumnHidden(column - 1, pixels == 0);
    setColumnWidth(column - 1, pixels);
}

std::optional<int> ListView::selectedPosition() const
{
    if (!selectionModel())
        return std::nullopt;
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().row() + 1;
}

void ListView::setListToolTip(const QString& text)
{
    setToolTip(text);
    horizontalHeader()->setToolTip(text);
}

bool ListView::viewportEvent(QEvent* event)
{
    // The rows carry no tool tips of their own; the list's one text is shown over them all.
    if (event->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), viewport());
        return true;
    }
    return QTableView::viewportEvent(event);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit listDoubleClicked();
}

void ListView::acceptFileDrops(std::function<bool()> acceptingNow)
{
    m_acceptingDrops = std::move(acceptingNow);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
}

bool ListView::canTake(const QDropEvent& event) const
{
    if (!m_acceptingDrops || !m_acceptingDrops() || !event.mimeData()->hasUrls())
        return false;
    const QList<QUrl> urls = event.mimeData()->urls();
    return !urls.isEmpty() && std::all_of(urls.cbegin(), urls.cend(), [](const QUrl& url) {
        return url.isLocalFile();
    });
}

// The list takes the drop itself; the model plays no part, and the source's proposed action
// is left as it is (nothing is moved, copied or deleted).
void ListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (canTake(*event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (canTake(*event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ListView::dropEvent(QDropEvent* event)
{
    if (!canTake(*event)) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths << QDir::toNativeSeparators(pathFromUrl(url));
    event->acceptProposedAction();
    emit filesDropped(paths);
}

} // namespace velmora
