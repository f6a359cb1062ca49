#pragma once

#include <QTableView>

#include <functional>
#include <optional>

namespace velmora {

/// A list in details view with a header row, over one of the program's list models. Columns
/// are sized in twips and may be widened past the list's right edge; the list then scrolls
/// sideways. Positions are 1-based.
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
    std::optional<int> selectedPosition() const;

    /// Shown wherever the pointer rests on the list, rows and header alike.
    void setListToolTip(const QString& text);

    /// Lets files and folders from a file manager be dropped on the list while
    /// `acceptingNow` says so; every other drag shows that no drop is possible.
    void acceptFileDrops(std::function<bool()> acceptingNow);

signals:
    /// A double-click anywhere on the list, whatever lies under the pointer.
    void listDoubleClicked();
    /// The dropped local paths, in the order of the drag data.
    void filesDropped(const QStringList& paths);

protected:
    bool viewportEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void nameAfterHeader();
    bool canTake(const QDropEvent& event) const;

    double m_logicalDpi;
    std::function<bool()> m_acceptingDrops;
};

} // namespace velmora
