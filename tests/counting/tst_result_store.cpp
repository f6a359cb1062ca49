#include "counting/result_order.h"
#include "counting/result_store.h"

#include <QTest>

#include <string>

using namespace velmora;

namespace {

ResultStore storeOfCounts(const QList<std::uint64_t>& counts)
{
    ResultStore store;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const std::string line = std::to_string(i);
        store.addRow(line, counts[i], std::uint64_t(i) + 1);
    }
    return store;
}

/// The store rows in the order shown, as the lines added by storeOfCounts name them.
QList<int> shownRows(const ResultOrder& order)
{
    QList<int> rows;
    for (int position = 0; position < order.rowCount(); ++position)
        rows << order.storeRow(position);
    return rows;
}

} // namespace

class TestResultStore : public QObject
{
    Q_OBJECT

private slots:
    void keepsRowsAcrossSegmentsAndBlocks()
    {
        // More rows than one record segment holds, more bytes than the first blocks hold.
        ResultStore store;
        const int rows = 200000;
        for (int i = 0; i < rows; ++i) {
            const std::string line(std::size_t(1 + i % 97), char('a' + i % 26));
            store.addRow(line, std::uint64_t(i), std::uint64_t(i) + 1);
        }
        QCOMPARE(store.rowCount(), rows);
        for (int i = 0; i < rows; i += 997) {
            QCOMPARE(store.count(i), std::uint64_t(i));
            QCOMPARE(store.bytes(i), std::string(std::size_t(1 + i % 97), char('a' + i % 26)));
        }
        QVERIFY(!store.rowFailed());
    }

    void lineLargerThanAnyBlock()
    {
        ResultStore store;
        store.addRow("before", 6, 1);
        const std::string huge(std::size_t(100) << 20, 'x');
        store.addRow(huge, huge.size(), 2);
        store.addRow("after", 5, 3);
        QCOMPARE(store.bytes(1).size(), huge.size());
        QCOMPARE(store.bytes(0), std::string_view("before"));
        QCOMPARE(store.bytes(2), std::string_view("after"));
    }

    void lineOfFourGibibytesFailsWithoutBeingRead()
    {
        ResultStore store;
        const char byte = 'x';
        // Only the length is looked at: a store that tried to copy this would crash.
        store.addRow(std::string_view(&byte, std::size_t(1) << 32), std::uint64_t(1) << 32, 1);
        QVERIFY(store.rowFailed());
        QCOMPARE(store.rowCount(), 0);
        QVERIFY(store.takeRowFailure().contains(QStringLiteral("4294967296")));
        QVERIFY(!store.rowFailed());
    }

    void moveAndClear()
    {
        ResultStore store = storeOfCounts({ 3, 1 });
        ResultStore moved = std::move(store);
        QCOMPARE(moved.rowCount(), 2);
        QCOMPARE(moved.bytes(1), std::string_view("1"));
        moved.clear();
        QCOMPARE(moved.rowCount(), 0);
        moved.addRow("again", 5, 1);
        QCOMPARE(moved.bytes(0), std::string_view("again"));
    }

    void sortsStably_data()
    {
        QTest::addColumn<QList<std::uint64_t>>("counts");
        QTest::addColumn<int>("order");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("nine_ten_one_descending")
            << QList<std::uint64_t> { 9, 10, 1 } << int(Qt::DescendingOrder)
            << QList<int> { 1, 0, 2 };
        QTest::newRow("nine_ten_one_ascending")
            << QList<std::uint64_t> { 9, 10, 1 } << int(Qt::AscendingOrder)
            << QList<int> { 2, 0, 1 };
        QTest::newRow("equal_counts_keep_order_descending")
            << QList<std::uint64_t> { 2, 5, 2, 5, 2 } << int(Qt::DescendingOrder)
            << QList<int> { 1, 3, 0, 2, 4 };
        QTest::newRow("equal_counts_keep_order_ascending")
            << QList<std::uint64_t> { 2, 5, 2, 5, 2 } << int(Qt::AscendingOrder)
            << QList<int> { 0, 2, 4, 1, 3 };
        QTest::newRow("counts_beyond_one_digit_descending")
            << QList<std::uint64_t> { 65536, 1, 65535, 131072, 65536 + 1, 65536 }
            << int(Qt::DescendingOrder) << QList<int> { 3, 4, 0, 5, 2, 1 };
        QTest::newRow("counts_beyond_one_digit_ascending")
            << QList<std::uint64_t> { 65536, 1, 65535, 131072, 65536 + 1, 65536 }
            << int(Qt::AscendingOrder) << QList<int> { 1, 2, 0, 5, 4, 3 };
        QTest::newRow("largest_count") << QList<std::uint64_t> { 4294967295u, 0, 7 }
                                       << int(Qt::DescendingOrder) << QList<int> { 0, 2, 1 };
        QTest::newRow("empty") << QList<std::uint64_t> {} << int(Qt::AscendingOrder)
                               << QList<int> {};
    }
    void sortsStably()
    {
        QFETCH(QList<std::uint64_t>, counts);
        QFETCH(int, order);
        QFETCH(QList<int>, expected);
        const ResultStore store = storeOfCounts(counts);
        ResultOrder shown;
        shown.reset(store.rowCount());
        QCOMPARE(shownRows(shown).size(), counts.size());
        // Sorting the other way first must not change where equal counts end up.
        shown.sortByCount(store,
                          order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
        shown.sortByCount(store, Qt::SortOrder(order));
        QCOMPARE(shownRows(shown), expected);
        shown.reset(store.rowCount());
        for (int i = 0; i < counts.size(); ++i)
            QCOMPARE(shown.storeRow(i), i);
    }
};

QTEST_APPLESS_MAIN(TestResultStore)
#include "tst_result_store.moc"
