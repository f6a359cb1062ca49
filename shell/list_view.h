#pragma once

#include "row_page_model.h"

#include <QTableView>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace velmora {

/// A list in details view with a header row, over one of the program's list models. Columns
/// are sized in twips and may be widened past the list's right edge; the list then scrolls
/// sideways. Positions are 1-based. A list too long for the view's pixel positions (about
/// 100 million rows) is shown a page at a time, its scroll bar and keys moving the page.
class ListView final : public QTableView
{
    Q_OBJECT

public:
    explicit ListView(double logicalDpi, QWidget* parent = nullptr);

    /// Also names the list after its header, for screen readers, as the header changes.
    void setModel(QAbstractItemModel* model) override;

    /// `column` counts from 1, as the header shows it. A column narrower than one pixel is
    /// hidden, so that a screen reader passes over it as the eye does.
    void setColumnWidthTwips(int column, int twips);
    /// Shows or hides `column` (from 1) at the user's choice, whatever its width; the list's
    /// accessible name then names the columns shown.
    void setColumnShown(int column, bool shown);
    std::optional<int> selectedPosition() const;
    /// The selected rows among all the list's rows, from 0, in the order shown; while the
    /// list is paged, the current row alone.
    std::vector<int> selectedSourceRows() const;
    /// The current row among all the list's rows, from 0, or -1.
    int currentSourceRow() const;

    /// Shown wherever the pointer rests on the list, rows and header alike.
    void setListToolTip(const QString& text);

    /// Lets files and folders from a file manager be dropped on the list while
    /// `acceptingNow` says so; every other drag shows that no drop is possible.
    void acceptFileDrops(std::function<bool()> acceptingNow);

    /// Whether the list is shown a page at a time.
    bool isPaged() const { return m_paged; }

signals:
    /// A double-click anywhere on the list, whatever lies under the pointer.
    void listDoubleClicked();
    /// The dropped local paths, in the order of the drag data.
    void filesDropped(const QStringList& paths);

protected:
    bool viewportEvent(QEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void nameAfterHeader();
    bool canTake(const QDropEvent& event) const;
    /// Whether the rows would run past the pixel positions a view can hold.
    bool needsPaging() const;
    /// Pages the list, or stops paging it, as its length now needs.
    void choosePaging();
    /// Shows the page model, or the list's own, with the columns as they were set.
    void showPagedOrWhole(bool paged);
    void fitPageToView();
    /// Shows the page that holds `sourceRow`, moving it as little as needed.
    void showSourceRow(int sourceRow);
    /// Selects the current row again where the page now shows it, or nothing while it is off
    /// the page.
    void placeCurrentRow();

    double m_logicalDpi;
    std::function<bool()> m_acceptingDrops;
    std::map<int, int> m_columnTwips;
    std::set<int> m_columnsHiddenByUser;
    QAbstractItemModel* m_source = nullptr;
    RowPageModel m_page;
    bool m_paged = false;
    /// While paged: the current row among all the rows, or -1.
    int m_currentSourceRow = -1;
    bool m_placingCurrentRow = false;
};

} // namespace velmora
