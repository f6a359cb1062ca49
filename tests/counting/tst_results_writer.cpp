#include "counting/output/byte_sink.h"
#include "counting/output/results_writer.h"
#include "counting/output/sorted_row_passes.h"
#include "counting/rows/shown_rows.h"

#include <QBuffer>
#include <QTest>

#include <chrono>
#include <random>
#include <thread>

using namespace velmora;

namespace {

/// Takes `room` bytes, then refuses like a full disk.
class FullDiskOutput final : public ByteSink
{
public:
    explicit FullDiskOutput(std::size_t room)
        : m_room(room)
    { }

    std::size_t write(std::string_view bytes) override
    {
        const std::size_t taken = std::min(bytes.size(), m_room - written.size());
        written += bytes.substr(0, taken);
        return taken;
    }
    QString errorString() const override { return QStringLiteral("No space left on device"); }

    std::string written;

private:
    std::size_t m_room;
};

/// Takes every byte, but only after a pause: a disk slower than the rows, so that full buffers
/// wait for their turn to be written.
class SlowOutput final : public ByteSink
{
public:
    std::size_t write(std::string_view bytes) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        written += bytes;
        return bytes.size();
    }
    QString errorString() const override { return {}; }

    std::string written;
};

using Rows = QList<std::pair<std::string, std::uint64_t>>;

QByteArray written(const Rows& rows, LineEnding ending)
{
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    DeviceByteSink output(file);
    ResultsWriter writer(output, ending);
    for (const auto& [bytes, count] : rows)
        writer.addRow(bytes, CharacterCount(count), LineNumber(1));
    if (!writer.flush())
        qFatal("writing to a buffer failed");
    return file.data();
}

/// A sorted list of `rows` rows with many equal counts, a few past the narrow range, and
/// lines of every length from one byte to a few hundred.
void fillSorted(ShownRows& shownRows, int rows, Qt::SortOrder order)
{
    std::mt19937 random(7);
    ResultStore store;
    for (int row = 0; row < rows; ++row) {
        const std::uint64_t count = random() % 50 == 0 ? 65536 + random() % 3 : 1 + random() % 40;
        const std::string line(1 + random() % 300, char('a' + row % 26));
        store.addRow(line, CharacterCount(count), LineNumber(std::uint64_t(row) + 1));
    }
    shownRows.setStore(std::move(store));
    shownRows.sortByCount(order);
}

/// The rows of `shownRows` as written one by one in the order shown.
std::string shownOneByOne(const ShownRows& shownRows, bool withCounts, std::string_view lineEnd)
{
    std::string bytes;
    for (int position = 0; position < shownRows.rowCount(); ++position) {
        const ResultRow row = shownRows.row(position);
        if (withCounts)
            bytes += std::to_string(row.count) + '\t';
        bytes.append(row.bytes).append(lineEnd);
    }
    return bytes;
}

} // namespace

class TestResultsWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesRows_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("ending");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("count_tab_line_crlf")
            << Rows { { "hello", 5 } } << int(LineEnding::CrLf) << QByteArray("5\thello\r\n");
        QTest::newRow("lf_only") << Rows { { "a", 1 }, { "bc", 2 } } << int(LineEnding::Lf)
                                 << QByteArray("1\ta\n2\tbc\n");
        QTest::newRow("tabs_in_line_unchanged")
            << Rows { { "a\tb", 3 } } << int(LineEnding::CrLf) << QByteArray("3\ta\tb\r\n");
        QTest::newRow("eight_bit_bytes_exactly")
            << Rows { { "caf\xE9", 4 } } << int(LineEnding::CrLf) << QByteArray("4\tcaf\xE9\r\n");
        QTest::newRow("counts_at_every_digit_count")
            << Rows { { "a", 0 },   { "b", 9 },   { "c", 10 },   { "d", 99 },
                      { "e", 100 }, { "f", 999 }, { "g", 1000 }, { "h", 18446744073709551615u } }
            << int(LineEnding::Lf)
            << QByteArray("0\ta\n9\tb\n10\tc\n99\td\n100\te\n999\tf\n1000\tg\n"
                          "18446744073709551615\th\n");
        QTest::newRow("nul_ends_each_row")
            << Rows { { "a", 1 }, { "bc", 2 } } << int(LineEnding::Nul)
            << QByteArray("1\ta\0"
                          "2\tbc\0",
                          9);
        QTest::newRow("empty_list_writes_nothing")
            << Rows {} << int(LineEnding::CrLf) << QByteArray();
    }
    void writesRows()
    {
        QFETCH(Rows, rows);
        QFETCH(int, ending);
        QFETCH(QByteArray, expected);
        QCOMPARE(written(rows, LineEnding(ending)), expected);
    }

    void linesLongerThanABuffer_data()
    {
        // The first buffer is smaller than the rest: a line may outgrow it and fit the next.
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<bool>("linesAlone");
        const int huge = 3 << 20;
        const int pastFirst = 100 << 10;
        QList<int> manyThenPastFirst(3000, 40);
        manyThenPastFirst << 900 << 10;
        QTest::newRow("longer_than_any_buffer") << QList<int> { 1, huge, 1 } << false;
        QTest::newRow("first_row_past_the_first_buffer") << QList<int> { pastFirst, 1 } << false;
        QTest::newRow("past_the_first_buffer_after_a_row")
            << QList<int> { 1, pastFirst, 1 } << false;
        QTest::newRow("past_the_first_buffer_once_on_full_ones")
            << (manyThenPastFirst << pastFirst << 1) << false;
        QTest::newRow("lines_alone_past_the_first_buffer")
            << QList<int> { pastFirst, 1, pastFirst, huge, 1 } << true;
    }
    void linesLongerThanABuffer()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(bool, linesAlone);
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        DeviceByteSink output(file);
        QByteArray expected;
        {
            ResultsWriter writer(output, LineEnding::CrLf);
            for (int i = 0; i < lengths.size(); ++i) {
                const std::string line(std::size_t(lengths[i]), char('a' + i % 26));
                if (linesAlone) {
                    writer.addLine(line);
                } else {
                    writer.addRow(line, CharacterCount(line.size()), LineNumber(1));
                    expected += QByteArray::number(lengths[i]) + '\t';
                }
                expected += QByteArray::fromStdString(line) + "\r\n";
            }
            QVERIFY(writer.flush());
        }
        QVERIFY(file.data() == expected);
    }

    void slowDiskGetsEveryRowInOrder()
    {
        // Rows for several buffers, each line its own, and a line longer than a buffer
        // among them, which is written in place only after every buffer before it.
        SlowOutput output;
        std::string expected;
        {
            ResultsWriter writer(output, LineEnding::CrLf);
            for (int row = 0; row < 120000; ++row) {
                const std::string line = row == 60000
                    ? std::string(std::size_t(3) << 20, 'L')
                    : "row " + std::to_string(row) + std::string(std::size_t(row % 70), '.');
                writer.addRow(line, CharacterCount(line.size()), LineNumber(1));
                expected += std::to_string(line.size()) + '\t' + line + "\r\n";
            }
            QVERIFY(writer.flush());
        }
        QVERIFY(output.written == expected);
    }

    void writesInTheOrderShown()
    {
        ResultStore store;
        store.addRow("nine", CharacterCount(9), LineNumber(1));
        store.addRow("ten", CharacterCount(10), LineNumber(2));
        store.addRow("one", CharacterCount(1), LineNumber(3));
        ShownRows shownRows;
        shownRows.setStore(std::move(store));
        shownRows.sortByCount(Qt::DescendingOrder);
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        DeviceByteSink output(file);
        ResultsWriter writer(output);
        writer.addRows(shownRows);
        QVERIFY(writer.flush());
        QCOMPARE(file.data(), QByteArray("10\tten\r\n9\tnine\r\n1\tone\r\n"));
    }

    void sortedPassesGiveTheOrderShown_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<bool>("withCounts");
        QTest::addColumn<int>("passLimit");
        // A limit below every group reads each group in place; one between gathers runs of
        // groups and reads the larger ones in place; one above the whole list gathers it all.
        QTest::newRow("descending_each_group_in_place") << int(Qt::DescendingOrder) << true << 1;
        QTest::newRow("descending_some_gathered") << int(Qt::DescendingOrder) << true << 20000;
        QTest::newRow("descending_all_gathered") << int(Qt::DescendingOrder) << true << (1 << 30);
        QTest::newRow("ascending_some_gathered") << int(Qt::AscendingOrder) << true << 20000;
        QTest::newRow("ascending_all_gathered") << int(Qt::AscendingOrder) << true << (1 << 30);
        QTest::newRow("lines_alone_some_gathered") << int(Qt::DescendingOrder) << false << 20000;
    }
    void sortedPassesGiveTheOrderShown()
    {
        QFETCH(int, order);
        QFETCH(bool, withCounts);
        QFETCH(int, passLimit);
        ShownRows shownRows;
        fillSorted(shownRows, 5000, Qt::SortOrder(order));
        SortedRowPasses passes(shownRows, withCounts, "\r\n");
        passes.cut(std::uint64_t(passLimit));
        const std::string shown = shownOneByOne(shownRows, withCounts, "\r\n");
        QCOMPARE(passes.totalBytes(), std::uint64_t(shown.size()));
        // Passes follow one another; a gathered one holds exactly the bytes of its positions,
        // and one read in place is a single group too large to gather.
        int next = 0;
        std::size_t at = 0;
        for (const SortedRowPasses::Pass& pass : passes.passes()) {
            QCOMPARE(pass.begin, next);
            next = pass.end;
            if (pass.gathered) {
                QVERIFY(pass.bytes <= std::uint64_t(passLimit));
                std::string gathered(std::size_t(pass.bytes), '\0');
                passes.gather(pass, gathered.data());
                QCOMPARE(gathered, shown.substr(at, gathered.size()));
            } else {
                QVERIFY(pass.bytes > std::uint64_t(passLimit));
                QCOMPARE(shownRows.row(pass.end - 1).count, shownRows.row(pass.begin).count);
            }
            at += std::size_t(pass.bytes);
        }
        QCOMPARE(next, shownRows.rowCount());
    }

    void sortedListWrittenWhole_data()
    {
        QTest::addColumn<int>("layout");
        // 0: the pass limit chosen for this machine's memory.
        QTest::addColumn<qint64>("passLimit");
        QTest::newRow("count_and_line") << int(RowLayout::CountAndLine) << qint64(0);
        QTest::newRow("line_alone") << int(RowLayout::LineAlone) << qint64(0);
        // Many passes, some gathered, some groups read in place, written two at a time.
        QTest::newRow("count_and_line_passes_of_a_few_kib")
            << int(RowLayout::CountAndLine) << qint64(3000);
        QTest::newRow("line_alone_passes_of_one_byte") << int(RowLayout::LineAlone) << qint64(1);
        // Passes larger than a buffer of the writer's are gathered in buffers of their own.
        QTest::newRow("count_and_line_passes_past_a_buffer")
            << int(RowLayout::CountAndLine) << qint64(2 << 20);
    }
    void sortedListWrittenWhole()
    {
        QFETCH(int, layout);
        QFETCH(qint64, passLimit);
        ShownRows shownRows;
        fillSorted(shownRows, 20000, Qt::DescendingOrder);
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        DeviceByteSink output(file);
        ResultsWriter writer(output);
        int lastCall = -1;
        QVERIFY(writer.addRows(
            shownRows,
            [&](int written) {
                lastCall = written;
                return true;
            },
            RowLayout(layout),
            passLimit > 0 ? std::optional<std::uint64_t>(passLimit) : std::nullopt));
        QVERIFY(writer.flush());
        QCOMPARE(lastCall, shownRows.rowCount());
        QCOMPARE(file.data().toStdString(),
                 shownOneByOne(shownRows, RowLayout(layout) == RowLayout::CountAndLine, "\r\n"));
    }

    void fullDiskFailsTheRest_data()
    {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("lineLength");
        QTest::newRow("fails_inside_buffered_rows") << 1000 << 10;
        QTest::newRow("fails_inside_a_line_longer_than_the_buffer") << 1500000 << 400000;
        QTest::newRow("fails_before_the_first_line_ends") << 5 << 10;
    }
    void fullDiskFailsTheRest()
    {
        QFETCH(int, room);
        QFETCH(int, lineLength);
        FullDiskOutput output { std::size_t(room) };
        ResultsWriter writer(output, LineEnding::CrLf);
        const std::string line(std::size_t(lineLength), 'y');
        for (int i = 0; i < 100; ++i)
            writer.addRow(line, CharacterCount(line.size()), LineNumber(std::uint64_t(i) + 1));
        QVERIFY(!writer.flush());
        QCOMPARE(writer.failure(), QStringLiteral("No space left on device"));
        writer.addRow(line, CharacterCount(line.size()), LineNumber(101));
        QVERIFY(writer.rowFailed());
        // What got out is the start of the rows, in order, up to where the disk filled.
        std::string rows;
        for (int i = 0; i < 100; ++i)
            rows += std::to_string(lineLength) + '\t' + line + "\r\n";
        QCOMPARE(output.written, rows.substr(0, std::size_t(room)));
    }
};

QTEST_APPLESS_MAIN(TestResultsWriter)
#include "tst_results_writer.moc"
