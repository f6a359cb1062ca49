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

private:
    std::unique_ptr<FileListModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<ListView> m_view;
};

QTEST_MAIN(TestListView)
#include "tst_list_view.moc"
