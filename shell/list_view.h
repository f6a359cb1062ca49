#pragma once

#include <QTableView>

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

    /// `column` counts from 1, as the header shows it.
    void setColumnWidthTwips(int column, int twips);
    std::optional<int> selectedPosition() const;

    /// Shown wherever the pointer rests on the list, rows and header alike.
    void setListToolTip(const QString& text);

signals:
    /// A double-click anywhere on the list, whatever lies under the pointer.
    void listDoubleClicked();

protected:
    bool viewportEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    double m_logicalDpi;
};

} // namespace velmora
