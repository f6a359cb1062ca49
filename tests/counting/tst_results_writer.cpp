#include "counting/byte_output.h"
#include "counting/results_model.h"
#include "counting/results_writer.h"

#include <QBuffer>
#include <QTest>

using namespace velmora;

namespace {

/// Takes `room` bytes, then refuses like a full disk.
class FullDiskOutput final : public ByteOutput
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
    bool truncate(std::uint64_t size) override
    {
        written.resize(std::size_t(size));
        return true;
    }
    QString errorString() const override { return QStringLiteral("No space left on device"); }

    std::string written;

private:
    std::size_t m_room;
};

using Rows = QList<std::pair<std::string, std::uint64_t>>;

QByteArray written(const Rows& rows, LineEnding ending)
{
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    DeviceOutput output(file);
    ResultsWriter writer(output, ending);
    for (const auto& [bytes, count] : rows)
        writer.addRow(bytes, count, 1);
    if (!writer.flush())
        qFatal("writing to a buffer failed");
    return file.data();
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

    void linesLongerThanTheBuffer()
    {
        const std::string huge(3 << 20, 'x');
        const QByteArray bytes
            = written({ { "a", 1 }, { huge, huge.size() }, { "b", 1 } }, LineEnding::CrLf);
        QCOMPARE(bytes,
                 "1\ta\r\n" + QByteArray::number(qulonglong(huge.size())) + '\t'
                     + QByteArray::fromStdString(huge) + "\r\n1\tb\r\n");
    }

    void writesInTheOrderShown()
    {
        ResultStore store;
        store.addRow("nine", 9, 1);
        store.addRow("ten", 10, 2);
        store.addRow("one", 1, 3);
        ResultsModel model;
        model.setStore(std::move(store));
        model.sortByKey(Qt::DescendingOrder);
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        DeviceOutput output(file);
        ResultsWriter writer(output);
        writer.addRows(model);
        QVERIFY(writer.flush());
        QCOMPARE(file.data(), QByteArray("10\tten\r\n9\tnine\r\n1\tone\r\n"));
    }

    void fullDiskLeavesOnlyWholeLines_data()
    {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("lineLength");
        QTest::newRow("fails_inside_buffered_rows") << 1000 << 10;
        QTest::newRow("fails_inside_a_line_longer_than_the_buffer") << 1500000 << 400000;
        QTest::newRow("fails_before_the_first_line_ends") << 5 << 10;
    }
    void fullDiskLeavesOnlyWholeLines()
    {
        QFETCH(int, room);
        QFETCH(int, lineLength);
        FullDiskOutput output { std::size_t(room) };
        ResultsWriter writer(output, LineEnding::CrLf);
        const std::string line(std::size_t(lineLength), 'y');
        for (int i = 0; i < 100; ++i)
            writer.addRow(line, line.size(), std::uint64_t(i) + 1);
        QVERIFY(!writer.flush());
        QCOMPARE(writer.failure(), QStringLiteral("No space left on device"));
        const std::string row = std::to_string(lineLength) + '\t' + line + "\r\n";
        QVERIFY(output.written.size() <= std::size_t(room));
        QCOMPARE(output.written.size() % row.size(), std::size_t(0));
        for (std::size_t at = 0; at < output.written.size(); at += row.size())
            QCOMPARE(output.written.substr(at, row.size()), row);
    }
};

QTEST_APPLESS_MAIN(TestResultsWriter)
#include "tst_results_writer.moc"
