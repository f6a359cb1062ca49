#include "counting/rows/result_order.h"
#include "counting/rows/result_store.h"
#include "counting/rows/shown_rows.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <string>
#include <sys/mount.h>

using namespace velmora;

namespace {

ResultStore storeOfCounts(const QList<std::uint64_t>& counts)
{
    ResultStore store;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const std::string line = std::to_string(i);
        store.addRow(line, CharacterCount(counts[i]), LineNumber(std::uint64_t(i) + 1));
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

    static constexpr int rowsBefore = 70000;

private slots:
    void keepsRowsAcrossSegmentsAndSpills_data()
    {
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("firstSegmentRows");
        QTest::newRow("written_behind")
            << int(SpillFile::Writes::Behind) << RowRecords::segmentRows;
        QTest::newRow("written_in_place")
            << int(SpillFile::Writes::InPlace) << RowRecords::segmentRows;
        // The first segment doubles from three rows, its records copied each time.
        QTest::newRow("first_segment_started_small") << int(SpillFile::Writes::InPlace) << 3;
    }
    void keepsRowsAcrossSegmentsAndSpills()
    {
        QFETCH(int, writes);
        QFETCH(int, firstSegmentRows);
        // More rows than one record segment holds, their text written out a few hundred bytes
        // at a time, so that rows lie in the file and in the buffer.
        QTemporaryDir folder;
        ResultStore store(SpillFile(folder.path(), 500, SpillFile::Writes(writes)),
                          std::numeric_limits<int>::max(), firstSegmentRows);
        const int rows = 200000;
        for (int i = 0; i < rows; ++i) {
            const std::string line(std::size_t(1 + i % 97), char('a' + i % 26));
            store.addRow(line, CharacterCount(std::uint64_t(i)), LineNumber(std::uint64_t(i) + 1));
        }
        QCOMPARE(store.rowCount(), rows);
        for (int i = 0; i < rows; i += 13) {
            QCOMPARE(store.count(i), std::uint64_t(i));
            QCOMPARE(store.bytes(i), std::string(std::size_t(1 + i % 97), char('a' + i % 26)));
        }
        QCOMPARE(store.bytes(rows - 1), std::string(std::size_t(1 + (rows - 1) % 97), 'h'));
        QVERIFY(!store.rowFailed());
        // The spill file never had a name that another program could open or that a crash
        // could leave behind.
        QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }

    void lineLargerThanTheBufferAndTheFirstMapping()
    {
        QTemporaryDir folder;
        ResultStore store(SpillFile(folder.path(), 4096));
        store.addRow("before", CharacterCount(6), LineNumber(1));
        std::string huge(std::size_t(100) << 20, 'x');
        huge.back() = 'y';
        // Its line number, in three bytes, goes into the file with it.
        store.addRow(huge, CharacterCount(huge.size()), LineNumber(300000));
        store.addRow("after", CharacterCount(5), LineNumber(300001));
        QCOMPARE(store.bytes(1).size(), huge.size());
        QCOMPARE(store.length(1), std::uint64_t(huge.size()));
        QCOMPARE(store.bytes(1).front(), 'x');
        QCOMPARE(store.lineNumber(1), std::uint64_t(300000));
        QCOMPARE(store.lineNumber(2), std::uint64_t(300001));
        QCOMPARE(store.bytes(1).back(), 'y');
        QCOMPARE(store.bytes(0), std::string_view("before"));
        QCOMPARE(store.bytes(2), std::string_view("after"));
    }

    void keepsLineNumbersBesideTheLines_data()
    {
        QTest::addColumn<QList<std::uint64_t>>("numbers");
        QTest::addColumn<int>("writes");
        // Around each byte the number takes more, and the largest that any file can reach.
        const QList<std::uint64_t> edges {
            1,       127,       128, 16383,       16384, 2097151,
            2097152, 268435456, 0,   4294967301u, 42,    (std::uint64_t(1) << 49) - 1
        };
        QTest::newRow("in_the_buffer") << edges << int(SpillFile::Writes::Behind);
        QTest::newRow("spilled_between_rows") << edges << int(SpillFile::Writes::InPlace);
    }
    void keepsLineNumbersBesideTheLines()
    {
        QFETCH(QList<std::uint64_t>, numbers);
        QFETCH(int, writes);
        QTemporaryDir folder;
        // A buffer of 16 bytes: a row's number and line often straddle where a buffer ends.
        const std::size_t buffer = writes == int(SpillFile::Writes::InPlace) ? 16 : 4096;
        ResultStore store(SpillFile(folder.path(), buffer, SpillFile::Writes(writes)));
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            const std::string line(std::size_t(1 + i % 5), char('a' + i));
            store.addRow(line, CharacterCount(line.size()), LineNumber(numbers[i]));
            QVERIFY(!store.rowFailed());
        }
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            const int row = int(i);
            QCOMPARE(store.lineNumber(row), numbers[i]);
            QCOMPARE(store.bytes(row), std::string(std::size_t(1 + i % 5), char('a' + i)));
            QCOMPARE(store.length(row), std::uint64_t(1 + i % 5));
        }
    }

    void aLineNumberNoFileCanReachFailsTheRow()
    {
        ResultStore store;
        store.addRow("kept", CharacterCount(4), LineNumber(1));
        store.addRow("beyond", CharacterCount(6), LineNumber(std::uint64_t(1) << 49));
        QVERIFY(store.rowFailed());
        QCOMPARE(store.rowCount(), 1);
    }

    void knowsTheFileOfEachRow_data()
    {
        // Per file: its path and how many rows it gives.
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("two_files")
            << QStringList { "/a/one.txt", "/b/two.txt" } << QList<int> { 2, 3 };
        QTest::newRow("a_file_without_rows_between")
            << QStringList { "/one", "/empty", "/three" } << QList<int> { 1, 0, 2 };
        QTest::newRow("the_first_files_without_rows")
            << QStringList { "/none", "/neither", "/last" } << QList<int> { 0, 0, 2 };
        QTest::newRow("the_same_path_twice")
            << QStringList { "/same", "/same" } << QList<int> { 1, 1 };
        QTest::newRow("not_utf8_and_spaces")
            << QStringList { QString::fromUtf8("/tÃ©st dir/â¦.txt"), "/x" }
            << QList<int> { 2, 1 };
    }
    void knowsTheFileOfEachRow()
    {
        QFETCH(QStringList, paths);
        QFETCH(QList<int>, rows);
        ResultStore store;
        QStringList expected;
        for (qsizetype file = 0; file < paths.size(); ++file) {
            store.beginFile(paths[file]);
            for (int line = 1; line <= rows[file]; ++line) {
                store.addRow("x", CharacterCount(1), LineNumber(std::uint64_t(line)));
                expected << paths[file];
            }
        }
        QCOMPARE(store.rowCount(), int(expected.size()));
        for (int row = 0; row < store.rowCount(); ++row)
            QCOMPARE(store.filePath(row), expected[row]);
        store.clear();
        store.addRow("x", CharacterCount(1), LineNumber(1));
        QCOMPARE(store.filePath(0), QString()); // cleared with the rows
    }

    void lineBeyondWhatRecordsPlaceFailsWithoutBeingRead()
    {
        ResultStore store;
        store.addRow("kept", CharacterCount(4), LineNumber(1));
        const char byte = 'x';
        // Only the length is looked at: a store that tried to copy this would crash.
        store.addRow(std::string_view(&byte, RowRecords::valueLimit), CharacterCount(1),
                     LineNumber(2));
        QVERIFY(store.rowFailed());
        QCOMPARE(store.rowCount(), 1);
        QVERIFY(store.takeRowFailure().contains(QStringLiteral("281474976710656")));
        QVERIFY(!store.rowFailed());
        QCOMPARE(store.bytes(0), std::string_view("kept"));
    }

    void rowsPastTheLimitFailAndNothingWraps()
    {
        ResultStore store(SpillFile(), 2);
        store.addRow("one", CharacterCount(3), LineNumber(1));
        store.addRow("two", CharacterCount(3), LineNumber(2));
        for (int attempt = 0; attempt < 2; ++attempt) {
            store.addRow("three", CharacterCount(5), LineNumber(3));
            QVERIFY(store.rowFailed());
            QCOMPARE(store.takeRowFailure(), QStringLiteral("Too many rows to keep"));
            QCOMPARE(store.rowCount(), 2);
        }
        QCOMPARE(store.bytes(1), std::string_view("two"));
    }

    void recordsPackPastThirtyTwoBits_data()
    {
        QTest::addColumn<QList<std::uint64_t>>("lengths");
        QTest::addColumn<QList<std::uint64_t>>("counts");
        const std::uint64_t gib = std::uint64_t(1) << 30;
        const std::uint64_t limit = RowRecords::valueLimit;
        QTest::newRow("line_longer_than_4_gib") << QList<std::uint64_t> { 5, 5 * gib + 1, 3 }
                                                << QList<std::uint64_t> { 5, 4 * gib + 7, 3 };
        QTest::newRow("offsets_past_4_gib")
            << QList<std::uint64_t> { 4 * gib - 1, 1, 2, 3 * gib, 9 }
            << QList<std::uint64_t> { 0, 1, (std::uint64_t(1) << 32), 0xFFFFFFFFu, 9 };
        QTest::newRow("counts_around_21_bits")
            << QList<std::uint64_t> { 1, 1, 1, 1, 1, 1, 1, 1 }
            << QList<std::uint64_t> { (1 << 21) - 2, (1 << 21) - 1, 3, 1 << 21, 0, 7, 8, 9 };
        QTest::newRow("counts_around_24_bits")
            << QList<std::uint64_t> { 1, 1, 1, 1, 1 }
            << QList<std::uint64_t> { (1 << 24) - 2, (1 << 24) - 1, 3, 1 << 24, 0 };
        QTest::newRow("counts_in_every_bit")
            << QList<std::uint64_t> { 1, 1, 1 }
            << QList<std::uint64_t> { limit - 1, 0x0000AAAA5555AAAAu, 0x0000555500005555u };
        QTest::newRow("segment_of_more_than_1_tib")
            << QList<std::uint64_t> { (std::uint64_t(1) << 40) - 1 - rowsBefore, 1, 1, 1 }
            << QList<std::uint64_t> { 1, 2, 3, 4 };
        QTest::newRow("last_offset_and_count") << QList<std::uint64_t> { limit - 2 - rowsBefore, 1 }
                                               << QList<std::uint64_t> { limit - 1, limit - 1 };
    }
    void recordsPackPastThirtyTwoBits()
    {
        QFETCH(QList<std::uint64_t>, lengths);
        QFETCH(QList<std::uint64_t>, counts);
        RowRecords records;
        // Rows of one byte each, more than a segment holds, so that the rows under test lie in
        // a segment that starts past the first byte.
        for (int i = 0; i < rowsBefore; ++i)
            records.append(1, 1);
        // Every size of head, on narrow and wide records alike.
        const auto headOf = [](qsizetype i) { return unsigned(i + 5) % RowRecords::headLimit; };
        for (qsizetype i = 0; i < lengths.size(); ++i) {
            QVERIFY(records.fits(lengths[i], counts[i]));
            records.append(lengths[i], counts[i], headOf(i));
        }
        std::uint64_t offset = rowsBefore;
        for (qsizetype i = 0; i < lengths.size(); ++i) {
            const int row = rowsBefore + int(i);
            QCOMPARE(records.offset(row), offset);
            QCOMPARE(records.length(row), lengths[i]);
            QCOMPARE(records.count(row), counts[i]);
            QCOMPARE(records.headBytes(row), headOf(i));
            offset += lengths[i];
        }
        QCOMPARE(records.end(), offset);
        QCOMPARE(records.offset(rowsBefore - 1), std::uint64_t(rowsBefore - 1));
        QCOMPARE(records.length(rowsBefore - 1), std::uint64_t(1));
    }

    void recordsRefuseWhatTheyCannotPack()
    {
        const std::uint64_t limit = RowRecords::valueLimit;
        RowRecords records(3);
        QVERIFY(records.fits(limit - 1, limit - 1));
        QVERIFY(!records.fits(limit, 0));
        QVERIFY(!records.fits(0, limit));
        records.append(limit - 2, 0);
        QVERIFY(records.fits(1, 0));
        QVERIFY(!records.fits(2, 0));
        records.append(1, 0);
        QVERIFY(!records.fits(1, 0));
        QVERIFY(records.fits(0, limit - 1));
        QVERIFY(!records.isFull());
        records.append(0, 0);
        QVERIFY(records.isFull());
        QCOMPARE(records.rowCount(), 3);
    }

    void aSpillFolderThatCannotTakeAFileFailsTheRow()
    {
        QTemporaryDir folder;
        const QString missing = folder.filePath(QStringLiteral("gone"));
        ResultStore store(SpillFile(missing, 8));
        store.addRow("small", CharacterCount(5), LineNumber(1));
        QVERIFY(!store.rowFailed());
        store.addRow("does not fit the buffer", CharacterCount(23), LineNumber(2));
        QVERIFY(store.rowFailed());
        QCOMPARE(store.takeRowFailure(),
                 QStringLiteral("temporary folder %1: No such file or directory (set TMPDIR to "
                                "a folder that can be written)")
                     .arg(missing));
        QCOMPARE(store.rowCount(), 1);
        QCOMPARE(store.bytes(0), std::string_view("small"));
        // Once the folder is there the rows go on where they stopped.
        QVERIFY(QDir().mkpath(missing));
        store.addRow("does not fit the buffer", CharacterCount(23), LineNumber(3));
        QVERIFY(!store.rowFailed());
        QCOMPARE(store.rowCount(), 2);
        QCOMPARE(store.bytes(0), std::string_view("small"));
        QCOMPARE(store.bytes(1), std::string_view("does not fit the buffer"));
    }

    void aFolderThatTakesNoFileIsPassedOverForTheNext()
    {
        QTemporaryDir usable;
        const QString missing = usable.filePath(QStringLiteral("gone"));
        ResultStore store(SpillFile(QStringList { missing, usable.path() }, 8));
        store.addRow("does not fit the buffer", CharacterCount(23), LineNumber(1));
        store.addRow("nor does this one", CharacterCount(17), LineNumber(2));
        QVERIFY(!store.rowFailed());
        QCOMPARE(store.bytes(0), std::string_view("does not fit the buffer"));
        QCOMPARE(store.bytes(1), std::string_view("nor does this one"));
        // The file has no name there, or one that is gone at once.
        QCOMPARE(
            QDir(usable.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());
    }

    void aFullDiskFailsTheRowAndKeepsEveryRowBefore()
    {
        QTemporaryDir folder;
        if (::mount("tmpfs", QFile::encodeName(folder.path()).constData(), "tmpfs", 0, "size=64k")
            != 0) {
            QSKIP("mounting a small file system needs root");
        }
        const auto unmount = qScopeGuard(
            [&] { ::umount2(QFile::encodeName(folder.path()).constData(), MNT_DETACH); });
        ResultStore store(SpillFile(folder.path(), 3000));
        int added = 0;
        for (; added < 1000 && !store.rowFailed(); ++added) {
            // With its one-byte line number, a row takes 999 bytes of the spill file.
            const std::string line(998, char('a' + added % 26));
            store.addRow(line, CharacterCount(998), LineNumber(std::uint64_t(added) + 1));
        }
        QVERIFY(store.rowFailed());
        QCOMPARE(store.takeRowFailure(),
                 QStringLiteral("temporary folder %1: No space left on device (set TMPDIR to a "
                                "folder with more room)")
                     .arg(folder.path()));
        const int kept = store.rowCount();
        QCOMPARE(kept, added - 1);
        // The failed row's text went nowhere: a row small enough for the 3 bytes left in the
        // buffer, its line number included, lands right behind the last kept one.
        store.addRow("en", CharacterCount(2), LineNumber(99));
        QVERIFY(!store.rowFailed());
        QCOMPARE(store.rowCount(), kept + 1);
        for (int row = 0; row < kept; ++row) {
            QCOMPARE(store.bytes(row), std::string(998, char('a' + row % 26)));
            QCOMPARE(store.lineNumber(row), std::uint64_t(row) + 1);
        }
        QCOMPARE(store.bytes(kept), std::string_view("en"));
        QCOMPARE(store.lineNumber(kept), std::uint64_t(99));
        store.clear();
    }

    void aFullDiskAfterTheLineNumberLeavesNoHalfRow()
    {
        QTemporaryDir folder;
        if (::mount("tmpfs", QFile::encodeName(folder.path()).constData(), "tmpfs", 0, "size=64k")
            != 0) {
            QSKIP("mounting a small file system needs root");
        }
        const auto unmount = qScopeGuard(
            [&] { ::umount2(QFile::encodeName(folder.path()).constData(), MNT_DETACH); });
        ResultStore store(SpillFile(folder.path(), 64));
        store.addRow("first", CharacterCount(5), LineNumber(1));
        // Longer than the buffer, so written straight to the file: its line number fits the
        // disk, the line does not.
        const std::string huge(std::size_t(1) << 20, 'h');
        store.addRow(huge, CharacterCount(huge.size()), LineNumber(2));
        QVERIFY(store.rowFailed());
        QVERIFY(store.takeRowFailure().contains(QStringLiteral("No space left on device")));
        // Enough rows after it to go through the file, where the failed row was written.
        for (int line = 3; line < 40; ++line) {
            const std::string text = "line " + std::to_string(line);
            store.addRow(text, CharacterCount(text.size()), LineNumber(std::uint64_t(line)));
            QVERIFY(!store.rowFailed());
        }
        QCOMPARE(store.rowCount(), 38);
        QCOMPARE(store.bytes(0), std::string_view("first"));
        for (int row = 1; row < store.rowCount(); ++row) {
            QCOMPARE(store.bytes(row), "line " + std::to_string(row + 2));
            QCOMPARE(store.lineNumber(row), std::uint64_t(row + 2));
        }
        store.clear();
    }

    void moveAndClear()
    {
        ResultStore store = storeOfCounts({ 3, 1 });
        ResultStore moved = std::move(store);
        QCOMPARE(moved.rowCount(), 2);
        QCOMPARE(moved.bytes(1), std::string_view("1"));
        moved.clear();
        QCOMPARE(moved.rowCount(), 0);
        moved.addRow("again", CharacterCount(5), LineNumber(1));
        QCOMPARE(moved.bytes(0), std::string_view("again"));
    }

    // A large store replaced or cleared is given back on a thread of its own while the next
    // one is filled and shown (the sanitizers watch the two threads).
    void largeStoresGoWhileTheNextIsShown()
    {
        const auto filled = [](int rows, const std::string& text) {
            ResultStore store;
            for (int row = 0; row < rows; ++row)
                store.addRow(text, CharacterCount(std::uint64_t(row)), LineNumber(1));
            return store;
        };
        ShownRows shown;
        shown.setStore(filled(100000, "first"));
        shown.setStore(filled(70000, "second"));
        QCOMPARE(shown.rowCount(), 70000);
        QCOMPARE(shown.row(69999).bytes, std::string_view("second"));
        shown.clear();
        QCOMPARE(shown.rowCount(), 0);
        shown.setStore(filled(3, "third"));
        QCOMPARE(shown.rowCount(), 3);
        QCOMPARE(shown.row(2).bytes, std::string_view("third"));
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
        QTest::newRow("counts_past_32_bits_descending")
            << QList<std::uint64_t> { std::uint64_t(1) << 40, (std::uint64_t(1) << 32) + 1, 5,
                                      (std::uint64_t(1) << 40) + 1, std::uint64_t(1) << 32 }
            << int(Qt::DescendingOrder) << QList<int> { 3, 0, 1, 4, 2 };
        QTest::newRow("counts_past_32_bits_ascending")
            << QList<std::uint64_t> { RowRecords::valueLimit - 1, std::uint64_t(1) << 32, 0,
                                      (std::uint64_t(1) << 32) - 1 }
            << int(Qt::AscendingOrder) << QList<int> { 2, 3, 1, 0 };
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
