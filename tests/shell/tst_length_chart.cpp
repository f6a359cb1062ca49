// The Length Chart window on real widgets: its figures for known counts, the "Longer than"
// field, how it follows the results list, and reaching it from the main window and the
// keyboard.
#include "counting/rows/result_store.h"
#include "form_fixture.h"
#include "shell/length_chart/histogram_view.h"
#include "shell/length_chart/length_chart_window.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

using Counts = QList<std::uint64_t>;

Counts oneTo(std::uint64_t last)
{
    Counts counts;
    for (std::uint64_t count = last; count >= 1; --count)
        counts << count;
    return counts;
}

} // namespace

class TestLengthChart : public QObject, protected FormTest
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { startWindow(FormFixture::SampleFile, &FormTest::resultsOf); }
    void cleanup()
    {
        fixture.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void opensFromTheWindowAfterACount()
    {
        // Lines of 1 to 10 characters, an empty line among them that makes no row.
        QByteArray text;
        for (int length = 10; length >= 1; --length)
            text += QByteArray(length, 'x') + (length == 5 ? "\r\n\r\n" : "\r\n");
        form->fileList().appendEntry(fixture->writeFile(QStringLiteral("lines.txt"), text));
        form->PushButton2->click();
        QCOMPARE(form->results().rowCount(), 10);

        form->showLengthChart();
        LengthChartWindow* chart = chartWindow();
        QVERIFY(chart->isVisible());
        QVERIFY(chart->isWindow());
        QCOMPARE(chart->windowTitle(), QStringLiteral("Length Chart"));
        QTRY_COMPARE(chart->rows->text(), QStringLiteral("10"));
        QCOMPARE(figures(*chart), QStringList({ "5", "9", "10", "10" }));

        // Asked for again, the same window comes back.
        form->showLengthChart();
        QCOMPARE(form->findChildren<LengthChartWindow*>().size(), 1);
    }

    void figuresForKnownCounts_data()
    {
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<QStringList>("figures");
        QTest::addColumn<QString>("histogram");
        QTest::newRow("one_row") << Counts { 7 } << QStringList({ "7", "7", "7", "7" })
                                 << "6 to 10: 1 row";
        QTest::newRow("all_equal")
            << Counts { 3, 3, 3 } << QStringList({ "3", "3", "3", "3" }) << "3 to 5: 3 rows";
        QTest::newRow("one_to_101") << oneTo(101) << QStringList({ "51", "91", "100", "101" })
                                    << "1: 1 row; 2: 1 row; 3 to 5: 3 rows; 6 to 10: 5 rows; "
                                       "11 to 20: 10 rows; 21 to 50: 30 rows; 51 to 100: 50 "
                                       "rows; 101 to 200: 1 row";
        QTest::newRow("grouped_digits")
            << Counts { 1500, 20000, 20000 }
            << QStringList({ "20,000", "20,000", "20,000", "20,000" })
            << "1,001 to 2,000: 1 row; 2,001 to 5,000: 0 rows; 5,001 to 10,000: 0 rows; 10,001 "
               "to 20,000: 2 rows";
    }
    void figuresForKnownCounts()
    {
        QFETCH(Counts, counts);
        QFETCH(QStringList, figures);
        QFETCH(QString, histogram);
        setRows(counts);
        LengthChartWindow& chart = openChart();
        QCOMPARE(this->figures(chart), figures);
        QCOMPARE(chart.rows->text(), QLocale().toString(counts.size()));
        QCOMPARE(chart.histogram->accessibleDescription(),
                 "Characters per line, in buckets. " + histogram + ".");
    }

    void noRowsSaySo()
    {
        LengthChartWindow& chart = openChart();
        QCOMPARE(chart.histogram->accessibleDescription(), QStringLiteral("There are no rows."));
        QCOMPARE(chart.rows->text(), QStringLiteral("0"));
        QCOMPARE(figures(chart), QStringList({ "none", "none", "none", "none" }));
        QCOMPARE(chart.longerThanRows->text(), QStringLiteral("0 rows"));
    }

    void longerThanCountsRowsAndShare_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero_is_every_row") << 0 << "10 rows (100.0 %)";
        QTest::newRow("rows_equal_to_it_are_not_longer") << 3 << "7 rows (70.0 %)";
        QTest::newRow("one_row") << 9 << "1 row (10.0 %)";
        QTest::newRow("the_longest") << 10 << "0 rows (0.0 %)";
    }
    void longerThanCountsRowsAndShare()
    {
        QFETCH(int, threshold);
        QFETCH(QString, shown);
        setRows(oneTo(10));
        LengthChartWindow& chart = openChart();
        // Typed in, as a user does: the field answers every change.
        chart.longerThan->setFocus();
        chart.longerThan->selectAll();
        QTest::keyClicks(chart.longerThan, QString::number(threshold));
        QCOMPARE(chart.longerThan->value(), threshold);
        QCOMPARE(chart.longerThanRows->text(), shown);
    }

    void shareText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<quint64>("rows");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<QString>("text");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("grouped") << english << 1234ull << 38000ull << "1,234 rows (3.2 %)";
        QTest::newRow("german") << QLocale(QLocale::German, QLocale::Germany) << 1234ull << 38000ull
                                << "1.234 rows (3,2 %)";
        // A few rows among millions are not none, nor all but a few all of them.
        QTest::newRow("tiny_share") << english << 1ull << 3000ull << "1 row (< 0.1 %)";
        QTest::newRow("nearly_all") << english << 2999ull << 3000ull << "2,999 rows (> 99.9 %)";
        QTest::newRow("rounds_up") << english << 1ull << 1999ull << "1 row (0.1 %)";
        QTest::newRow("all") << english << 5ull << 5ull << "5 rows (100.0 %)";
        QTest::newRow("no_rows_at_all") << english << 0ull << 0ull << "0 rows";
    }
    void shareText()
    {
        QFETCH(QLocale, locale);
        QFETCH(quint64, rows);
        QFETCH(quint64, total);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(rowsAndShareText(rows, total), text);
    }

    void followsNewCountsClearsAndSorts()
    {
        setRows({ 1, 2, 3 });
        LengthChartWindow& chart = openChart();
        QCOMPARE(figures(chart), QStringList({ "2", "3", "3", "3" }));
        chart.longerThan->setValue(1);
        QSignalSpy built(&chart, &LengthChartWindow::built);

        setRows({ 40, 50, 60, 70 });
        QTRY_COMPARE(built.size(), 1);
        QCOMPARE(figures(chart), QStringList({ "50", "70", "70", "70" }));
        QCOMPARE(chart.longerThanRows->text(), QStringLiteral("4 rows (100.0 %)"));

        // Sorted, the rows are the same rows: built again, the same figures.
        form->PushButton6->click();
        QTRY_COMPARE(built.size(), 2);
        QCOMPARE(figures(chart), QStringList({ "50", "70", "70", "70" }));

        form->PushButton5->click();
        QTRY_COMPARE(built.size(), 3);
        QCOMPARE(chart.histogram->accessibleDescription(), QStringLiteral("There are no rows."));
        QCOMPARE(chart.longerThanRows->text(), QStringLiteral("0 rows"));
    }

    void aNewListWhileBuildingReplacesTheOlderBuild()
    {
        setRows(Counts(300000, 8));
        LengthChartWindow& chart = openChart(false);
        QSignalSpy built(&chart, &LengthChartWindow::built);
        chart.refresh();
        setRows({ 1, 2 });
        QTRY_COMPARE(built.size(), 1);
        QCOMPARE(chart.rows->text(), QStringLiteral("2"));
        // The older build, stopped or finished, never shows up later.
        QTest::qWait(50);
        QCOMPARE(built.size(), 1);
        QCOMPARE(chart.rows->text(), QStringLiteral("2"));
    }

    void theWindowCanGoWhileBuilding()
    {
        setRows(Counts(1000000, 8));
        openChart(false);
        chartWindow()->refresh();
        fixture.reset();
    }

    void closesFromTheKeyboard_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("escape") << QKeySequence(Qt::Key_Escape);
        QTest::newRow("ctrl_w") << QKeySequence(Qt::CTRL | Qt::Key_W);
    }
    void closesFromTheKeyboard()
    {
        QFETCH(QKeySequence, keys);
        LengthChartWindow& chart = openChart();
        QVERIFY(QTest::qWaitForWindowActive(&chart));
        chart.longerThan->setFocus();
        QTest::keySequence(&chart, keys);
        QTRY_VERIFY(!chart.isVisible());
    }

    void tabReachesTheChartTheFieldAndClose()
    {
        LengthChartWindow& chart = openChart();
        QVERIFY(QTest::qWaitForWindowActive(&chart));
        chart.histogram->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), chart.longerThan);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* close = qobject_cast<QPushButton*>(QApplication::focusWidget());
        QVERIFY(close);
        QCOMPARE(close->text().remove(QLatin1Char('&')), QStringLiteral("Close"));
        close->click();
        QVERIFY(!chart.isVisible());
    }

    void everyFigureHasAnAccessibleName()
    {
        LengthChartWindow& chart = openChart();
        QStringList names;
        for (QWidget* widget : std::initializer_list<QWidget*> {
                 chart.histogram, chart.rows, chart.median, chart.percentile90, chart.percentile99,
                 chart.longest, chart.longerThan, chart.longerThanRows })
            names << widget->accessibleName();
        QCOMPARE(
            names,
            QStringList({ "Histogram of the line lengths", "Rows", "Median", "90th percentile",
                          "99th percentile", "Longest", "Longer than", "Rows longer than that" }));
    }

private:
    void setRows(const Counts& counts)
    {
        ResultStore store;
        for (std::uint64_t count : counts)
            store.addRow("line", CharacterCount(count), LineNumber(1));
        form->results().setStore(std::move(store));
    }

    LengthChartWindow* chartWindow() const
    {
        auto* chart = form->findChild<LengthChartWindow*>();
        if (!chart)
            qFatal("no Length Chart window");
        return chart;
    }

    /// Opens the chart from the main window; `waitForIt`: until its figures are there.
    LengthChartWindow& openChart(bool waitForIt = true)
    {
        form->showLengthChart();
        LengthChartWindow* chart = chartWindow();
        if (waitForIt && !QTest::qWaitFor([chart] { return !chart->isBuilding(); }))
            qFatal("the chart was never built");
        return *chart;
    }

    /// The median, the 90th and 99th percentiles and the longest, as written.
    static QStringList figures(const LengthChartWindow& chart)
    {
        return { chart.median->text(), chart.percentile90->text(), chart.percentile99->text(),
                 chart.longest->text() };
    }
};

QTEST_MAIN(TestLengthChart)
#include "tst_length_chart.moc"
