// The list control both lists of the window are made of.
#include "filelist/file_list_model.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

using namespace velmora;

namespace {

/// As many rows as a list of a few gigabytes gives, each naming its own number, with no memory
/// behind them; a second column that the view hides.
class NumberedRows final : public QAbstractTableModel
{
public:
    explicit NumberedRows(int rows)
        : m_rows(rows)
    { }

    void setRows(int rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return QStringLiteral("row %1").arg(index.row() + 1);
    }

private:
    int m_rows;
};

constexpr int manyRows = 200'000'000;

/// A list of `manyRows` rows on the screen.
struct ShownLongList
{
    ShownLongList()
    {
        view.resize(424, 300);
        view.setModel(&rows);
        view.show();
    }

    NumberedRows rows { manyRows };
    ListView view { 96.0 };
};

/// The text of the row shown `rowsDown` rows below the top of the list.
QString shownRow(ListView& view, int rowsDown = 0)
{
    const int height = view.verticalHeader()->defaultSectionSize();
    return view.indexAt(QPoint(4, height / 2 + rowsDown * height)).data().toString();
}

} // namespace

class TestListView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_model = std::make_unique<FileListModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_view = std::make_unique<ListView>(96.0);
        m_view->resize(424, 121);
        m_view->setModel(m_model.get());
        m_model->addColumnHeader(QStringLiteral("Text File(s)"));
    }

    void columnWidthsInTwips_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("96dpi") << 96.0 << 400;
        QTest::newRow("120dpi") << 120.0 << 500;
    }
    void columnWidthsInTwips()
    {
        QFETCH(double, dpi);
        QFETCH(int, pixels);
        ListView view(dpi);
        view.setModel(m_model.get());
        view.setColumnWidthTwips(1, 6000);
        QCOMPARE(view.columnWidth(0), pixels);
    }

    void selectedPositionIsOneBased()
    {
        m_model->appendEntries({ "a", "b", "c" });
        QCOMPARE(m_view->selectedPosition(), std::nullopt);
        m_view->selectRow(2);
        QCOMPARE(m_view->selectedPosition(), std::optional(3));
    }

    void wideColumnsScrollSideways()
    {
        m_model->appendEntry(QString(400, QLatin1Char('x')));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_view->setColumnWidthTwips(1, 6000);
        QVERIFY(m_view->horizontalScrollBar()->maximum() == 0);
        // Dragging the divider past the right edge: the column grows and the list scrolls.
        m_view->horizontalHeader()->resizeSection(0, 3000);
        QTRY_VERIFY(m_view->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(m_view->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    }

    void showsTheListToolTipOverRowsAndHeader()
    {
        m_model->appendEntry(QStringLiteral("/a.txt"));
        m_view->setListToolTip(QStringLiteral("Drag and drop files here."));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        const QPoint onRow = m_view->visualRect(m_model->index(0, 0)).center();
        QHelpEvent help(QEvent::ToolTip, onRow, m_view->viewport()->mapToGlobal(onRow));
        QApplication::sendEvent(m_view->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Drag and drop files here."));
        QCOMPARE(m_view->horizontalHeader()->toolTip(),
                 QStringLiteral("Drag and drop files here."));
    }

    void doubleClickAnywhereIsReported()
    {
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QSignalSpy doubleClicks(m_view.get(), &ListView::listDoubleClicked);
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 90));
        QCOMPARE(doubleClicks.size(), 1);
    }

    void rowsAreUniformAndTabLeavesTheList()
    {
        QVERIFY(!m_view->tabKeyNavigation());
        QCOMPARE(m_view->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QVERIFY(!m_view->verticalHeader()->isVisible());
        QCOMPARE(m_view->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void veryLongListsArePaged_data()
    {
        QTest::addColumn<int>("scrollTo");
        QTest::addColumn<QString>("topRow");
        QTest::newRow("top") << 0 << QStringLiteral("row 1");
        QTest::newRow("middle") << manyRows / 2 << QStringLiteral("row 100000001");
        QTest::newRow("past_where_pixels_run_out")
            << 150'000'000 << QStringLiteral("row 150000001");
    }
    void veryLongListsArePaged()
    {
        QFETCH(int, scrollTo);
        QFETCH(QString, topRow);
        ShownLongList list;
        ListView& view = list.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.isPaged());
        view.verticalScrollBar()->setValue(scrollTo);
        QCOMPARE(shownRow(view), topRow);
        QCOMPARE(view.verticalScrollBar()->maximum() + view.verticalScrollBar()->pageStep(),
                 manyRows);
    }

    void pagedListEndsAtItsLastRow()
    {
        ShownLongList list;
        ListView& view = list.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        const int pageRows = view.verticalScrollBar()->pageStep();
        // As many whole rows as the list has room for.
        QCOMPARE(pageRows, view.viewport()->height() / view.verticalHeader()->defaultSectionSize());
        QCOMPARE(shownRow(view, pageRows - 1), QStringLiteral("row 200000000"));
        QCOMPARE(shownRow(view, pageRows), QString());
        // A sideways scroll bar takes room: the page shrinks, and the last row stays in sight.
        view.setColumnWidthTwips(1, 20000);
        QTRY_VERIFY(view.horizontalScrollBar()->isVisible());
        const int fewerRows
            = view.viewport()->height() / view.verticalHeader()->defaultSectionSize();
        QTRY_COMPARE(view.verticalScrollBar()->pageStep(), fewerRows);
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QCOMPARE(shownRow(view, fewerRows - 1), QStringLiteral("row 200000000"));
    }

    void keysMoveThroughAPagedList()
    {
        ShownLongList list;
        ListView& view = list.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view.selectedPosition(), std::optional(manyRows));
        QCOMPARE(view.selectedSourceRows(), std::vector<int> { manyRows - 1 });
        QCOMPARE(view.selectionModel()->selectedRows().first().data().toString(),
                 QStringLiteral("row 200000000"));
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(view.selectedPosition(), std::optional(manyRows - 1));
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view.selectedPosition(), std::optional(1));
        QCOMPARE(shownRow(view), QStringLiteral("row 1"));
        QTest::keyClick(&view, Qt::Key_PageDown);
        const int pageRows = view.verticalScrollBar()->pageStep();
        QCOMPARE(view.selectedPosition(), std::optional(1 + pageRows));
        QCOMPARE(view.selectionModel()->selectedRows().first().data().toString(),
                 QStringLiteral("row %1").arg(1 + pageRows));
    }

    void selectionStaysWithItsRowAsThePageMoves()
    {
        ShownLongList list;
        ListView& view = list.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int height = view.verticalHeader()->defaultSectionSize();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(4, height * 2 + height / 2));
        QCOMPARE(view.selectedPosition(), std::optional(3));
        view.verticalScrollBar()->setValue(1000);
        QVERIFY(view.selectionModel()->selectedRows().isEmpty());
        QCOMPARE(view.selectedPosition(), std::optional(3));
        view.verticalScrollBar()->setValue(1);
        QCOMPARE(view.selectionModel()->selectedRows().first().data().toString(),
                 QStringLiteral("row 3"));
    }

    void pagingEndsWhenTheListShrinks()
    {
        NumberedRows rows(manyRows);
        ListView view(96.0);
        view.resize(424, 300);
        view.setModel(&rows);
        view.setColumnWidthTwips(1, 3000);
        view.setColumnWidthTwips(2, 0);
        QVERIFY(view.isPaged());
        rows.setRows(1000);
        QVERIFY(!view.isPaged());
        QCOMPARE(view.model(), &rows);
        QCOMPARE(view.columnWidth(0), 200);
        QVERIFY(view.isColumnHidden(1));
        rows.setRows(manyRows);
        QVERIFY(view.isPaged());
        QCOMPARE(view.columnWidth(0), 200);
        QVERIFY(view.isColumnHidden(1));
    }

    void columnsHiddenByTheUserStayHiddenAsPagingStartsAndEnds()
    {
        NumberedRows rows(1000);
        ListView view(96.0);
        view.resize(424, 300);
        view.setModel(&rows);
        view.setColumnWidthTwips(1, 3000);
        view.setColumnWidthTwips(2, 1500);
        view.setColumnShown(1, false);
        QVERIFY(view.isColumnHidden(0));
        rows.setRows(manyRows);
        QVERIFY(view.isPaged());
        QVERIFY(view.isColumnHidden(0));
        QCOMPARE(view.columnWidth(1), 100);
        view.setColumnShown(1, true);
        QCOMPARE(view.columnWidth(0), 200);
        view.setColumnShown(2, false);
        rows.setRows(1000);
        QVERIFY(!view.isPaged());
        QVERIFY(!view.isColumnHidden(0));
        QVERIFY(view.isColumnHidden(1));
    }

private:
    std::unique_ptr<FileListModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<ListView> m_view;
};

QTEST_MAIN(TestListView)
#include "tst_list_view.moc"
