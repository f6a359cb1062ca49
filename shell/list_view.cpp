#include "list_view.h"

#include "common/path_bytes.h"
#include "common/twips.h"

#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

namespace velmora {

namespace {

/// How tall a list may be before it is paged: well inside the int pixel positions of Qt's
/// views, which also add heights up.
constexpr qint64 pagedHeight = qint64(1) << 30;

} // namespace

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
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = model;
    // The page follows the source before this view does, so that the view finds it current.
    m_page.setSourceModel(model);
    if (!model) {
        m_paged = false;
        QTableView::setModel(nullptr);
        return;
    }
    connect(model, &QAbstractItemModel::columnsInserted, this, &ListView::nameAfterHeader);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &ListView::nameAfterHeader);
    // A new list, or rows that move, leave no row current on a page.
    const auto forgetCurrentRow = [this] { m_currentSourceRow = -1; };
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, forgetCurrentRow);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, forgetCurrentRow);
    connect(model, &QAbstractItemModel::modelReset, this, &ListView::choosePaging);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListView::choosePaging);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ListView::choosePaging);
    showPagedOrWhole(needsPaging());
    nameAfterHeader();
}

bool ListView::needsPaging() const
{
    return m_source
        && qint64(m_source->rowCount()) * verticalHeader()->defaultSectionSize() > pagedHeight;
}

void ListView::choosePaging()
{
    if (needsPaging() != m_paged)
        showPagedOrWhole(!m_paged);
    else if (m_paged)
        fitPageToView();
}

void ListView::showPagedOrWhole(bool paged)
{
    m_paged = paged;
    m_currentSourceRow = -1;
    QTableView::setModel(paged ? static_cast<QAbstractItemModel*>(&m_page) : m_source);
    // A new model gives the header new sections: widths and hidden columns again.
    for (const auto& [column, twips] : m_columnTwips)
        setColumnWidthTwips(column, twips);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_paged && !m_placingCurrentRow)
                    m_currentSourceRow = current.isValid() ? m_page.firstRow() + current.row() : -1;
            });
    if (m_paged)
        fitPageToView();
}

void ListView::fitPageToView()
{
    // Only whole rows, so that every row of the page is in sight and the last row of the list
    // can be read; the view's area changes with it, as a sideways scroll bar comes and goes.
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    m_placingCurrentRow = true;
    m_page.setPageRows(std::max(1, viewport()->height() / rowHeight));
    m_placingCurrentRow = false;
    placeCurrentRow();
}

void ListView::updateGeometries()
{
    if (!m_paged) {
        QTableView::updateGeometries();
        return;
    }
    {
        // The view would size the scroll bar to the page; it stands for all the rows.
        const QSignalBlocker blocker(verticalScrollBar());
        QTableView::updateGeometries();
    }
    verticalScrollBar()->setRange(0, m_page.lastFirstRow());
    verticalScrollBar()->setPageStep(m_page.pageRows());
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setValue(m_page.firstRow());
}

void ListView::scrollContentsBy(int dx, int dy)
{
    if (!m_paged) {
        QTableView::scrollContentsBy(dx, dy);
        return;
    }
    if (dx != 0)
        QTableView::scrollContentsBy(dx, 0);
    if (verticalScrollBar()->value() != m_page.firstRow()) {
        m_page.setFirstRow(verticalScrollBar()->value());
        placeCurrentRow();
        viewport()->update();
    }
}

void ListView::showSourceRow(int sourceRow)
{
    int first = m_page.firstRow();
    if (sourceRow < first)
        first = sourceRow;
    else if (sourceRow >= first + m_page.pageRows())
        first = sourceRow - m_page.pageRows() + 1;
    verticalScrollBar()->setValue(first);
}

void ListView::placeCurrentRow()
{
    if (!m_paged || !selectionModel())
        return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const int row = m_currentSourceRow - m_page.firstRow();
    m_placingCurrentRow = true;
    if (m_currentSourceRow >= 0 && row >= 0 && row < m_page.rowCount()) {
        selectionModel()->setCurrentIndex(m_page.index(row, column),
                                          QItemSelectionModel::ClearAndSelect
                                              | QItemSelectionModel::Rows);
    } else {
        selectionModel()->clear();
    }
    m_placingCurrentRow = false;
}

QModelIndex ListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int rows = m_page.sourceRowCount();
    if (!m_paged || rows == 0)
        return QTableView::moveCursor(cursorAction, modifiers);
    const bool toAnEnd = modifiers.testFlag(Qt::ControlModifier);
    const int from = std::max(m_currentSourceRow, 0);
    int to = from;
    switch (cursorAction) {
    case MoveUp:
        to = m_currentSourceRow < 0 ? 0 : from - 1;
        break;
    case MoveDown:
        to = m_currentSourceRow < 0 ? 0 : from + 1;
        break;
    case MovePageUp:
        to = from - m_page.pageRows();
        break;
    case MovePageDown:
        to = from + m_page.pageRows();
        break;
    case MoveHome:
        if (!toAnEnd)
            return QTableView::moveCursor(cursorAction, modifiers);
        to = 0;
        break;
    case MoveEnd:
        if (!toAnEnd)
            return QTableView::moveCursor(cursorAction, modifiers);
        to = rows - 1;
        break;
    default:
        return QTableView::moveCursor(cursorAction, modifiers);
    }
    to = std::clamp(to, 0, rows - 1);
    showSourceRow(to);
    return m_page.index(to - m_page.firstRow(),
                        currentIndex().isValid() ? currentIndex().column() : 0);
}

void ListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Every row of a page is in sight; the row placed again after the page moved must not
    // scroll the list sideways either.
    if (m_paged && m_placingCurrentRow)
        return;
    if (!m_paged) {
        QTableView::scrollTo(index, hint);
        return;
    }
    const QSignalBlocker blocker(verticalScrollBar());
    QTableView::scrollTo(index, hint);
    verticalScrollBar()->setValue(m_page.firstRow());
}

void ListView::nameAfterHeader()
{
    QStringList headers;
    for (int column = 0; column < model()->columnCount(); ++column) {
        const QString text = model()->headerData(column, Qt::Horizontal).toString();
        if (!text.isEmpty() && !m_columnsHiddenByUser.count(column + 1))
            headers << text;
    }
    setAccessibleName(headers.join(QStringLiteral(", ")));
}

void ListView::setColumnWidthTwips(int column, int twips)
{
    m_columnTwips[column] = twips;
    const int pixels = twipsToPixels(twips, m_logicalDpi);
    setColumnHidden(column - 1, pixels == 0 || m_columnsHiddenByUser.count(column) != 0);
    setColumnWidth(column - 1, pixels);
}

void ListView::setColumnShown(int column, bool shown)
{
    if (shown)
        m_columnsHiddenByUser.erase(column);
    else
        m_columnsHiddenByUser.insert(column);
    const auto twips = m_columnTwips.find(column);
    if (twips != m_columnTwips.end())
        setColumnWidthTwips(column, twips->second);
    else
        setColumnHidden(column - 1, !shown);
    nameAfterHeader();
}

int ListView::currentSourceRow() const
{
    if (m_paged)
        return m_currentSourceRow;
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

std::vector<int> ListView::selectedSourceRows() const
{
    if (m_paged)
        return m_currentSourceRow < 0 ? std::vector<int>()
                                      : std::vector<int> { m_currentSourceRow };
    // By the selection's ranges, not selectedRows(): a column added since a row was selected
    // is not part of its range, and the row would no longer count as wholly selected.
    std::set<int> rows;
    if (selectionModel()) {
        for (const QItemSelectionRange& range : selectionModel()->selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows.insert(row);
        }
    }
    return { rows.cbegin(), rows.cend() };
}

std::optional<int> ListView::selectedPosition() const
{
    if (m_paged)
        return m_currentSourceRow < 0 ? std::nullopt : std::optional(m_currentSourceRow + 1);
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
    const bool handled = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize && m_paged)
        fitPageToView();
    return handled;
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
