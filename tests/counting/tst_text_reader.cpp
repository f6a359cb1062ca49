#include "counting/input/io_thread.h"
#include "counting/input/line_ranges.h"
#include "counting/input/text_reader.h"
#include "counting/simd/simd_kernels.h"
#include "counting/text/utf16_to_utf8.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <future>
#include <string>
#include <sys/stat.h>

using namespace velmora;

namespace {

class CollectingConsumer final : public TextConsumer
{
public:
    bool consumeText(std::string_view piece) override
    {
        text += piece;
        ++pieces;
        return pieces != stopAfter;
    }

    std::string text;
    int pieces = 0;
    int stopAfter = -1;
};

/// Calls `meddle` once, with the first piece that ends with `after` (any piece when empty),
/// and keeps every piece.
class MeddlingConsumer final : public TextConsumer
{
public:
    explicit MeddlingConsumer(std::function<void()> meddle, std::string after = {})
        : m_meddle(std::move(meddle))
        , m_after(std::move(after))
    { }

    bool consumeText(std::string_view piece) override
    {
        ++pieces;
        text += piece;
        if (m_meddle && text.size() >= m_after.size()
            && text.compare(text.size() - m_after.size(), m_after.size(), m_after) == 0)
            std::exchange(m_meddle, {})();
        return true;
    }

    std::string text;
    int pieces = 0;

private:
    std::function<void()> m_meddle;
    std::string m_after;
};

/// Hands out at most `step` bytes per read, as a pipe may.
class TrickleDevice final : public QIODevice
{
public:
    TrickleDevice(QByteArray bytes, qint64 step)
        : m_bytes(std::move(bytes))
        , m_step(step)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 size = qMin(qMin(maxSize, m_step), m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.constData() + m_at, std::size_t(size));
        m_at += size;
        return size;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_step;
    qint64 m_at = 0;
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

/// Sets the file's modification time well in the past, so that writing it moves the time
/// whatever the clock's steps.
bool backdate(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                            QFileDevice::FileModificationTime);
}

QByteArray utf16(const QString& text, QSysInfo::Endian order)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const auto high = char(c.unicode() >> 8);
        const auto low = char(c.unicode() & 0xFF);
        bytes.append(order == QSysInfo::LittleEndian ? low : high);
        bytes.append(order == QSysInfo::LittleEndian ? high : low);
    }
    return bytes;
}

/// `units` as they are to come out of a conversion, worked out a unit at a time: a surrogate
/// pair as its character, a surrogate without its partner as U+FFFD.
QByteArray plainUtf8(const QString& units)
{
    QString text;
    for (qsizetype at = 0; at < units.size(); ++at) {
        if (units[at].isHighSurrogate() && at + 1 < units.size()
            && units[at + 1].isLowSurrogate()) {
            text += units[at];
            text += units[++at];
        } else {
            text += units[at].isSurrogate() ? QChar(QChar::ReplacementCharacter) : units[at];
        }
    }
    return text.toUtf8();
}

/// Each of the 81 ways four units can take one, two or three bytes of UTF-8, in turn, with the
/// units at the edges of each length: the vector packing has a shuffle for each.
QString everyLengthPattern()
{
    const char16_t byLength[3][2]
        = { { u'a', u'\x7F' }, { u'\x80', u'\x7FF' }, { u'\x800', u'\xFFFF' } };
    QString text;
    for (int pattern = 0; pattern < 81; ++pattern) {
        for (int unit = 0, rest = pattern; unit < 4; ++unit, rest /= 3)
            text += QChar(byLength[rest % 3][(pattern + unit) % 2]);
    }
    return text;
}

/// `surrounding` repeated around `inner` placed at each unit of a 16-unit block and past it.
QString atEveryPlace(const QString& inner, const QString& surrounding)
{
    QString text;
    for (int before = 0; before < 20; ++before)
        text += surrounding.repeated(before) + inner + surrounding.repeated(17);
    return text;
}

/// The text of every range of `ranges` in turn, each read with `control`; checks that no line
/// is split between two ranges.
QByteArray readEveryRange(const LineRanges& ranges, const CountControl& control)
{
    QByteArray joined;
    for (std::size_t range = 0; range < ranges.count(); ++range) {
        CollectingConsumer consumer;
        const ReadOutcome outcome = ranges.read(range, consumer, control);
        if (outcome.kind != ReadOutcome::Kind::Read) {
            qWarning("range %zu: %s", range, qPrintable(outcome.description));
            return QByteArray("(failed)");
        }
        // Only the file's last line may end without a line feed, in the last range that has text.
        if (!joined.isEmpty() && !joined.endsWith('\n') && !consumer.text.empty()) {
            qWarning("range %zu starts inside a line", range);
            return QByteArray("(split)");
        }
        joined += QByteArray::fromStdString(consumer.text);
    }
    return joined;
}

} // namespace

class TestTextReader : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("zero_bytes_give_empty_file") << QByteArray() << QByteArray("empty file");
        QTest::newRow("eight_bit_as_it_is")
            << QByteArray("a\r\nb\xE9\x00", 6) << QByteArray("a\r\nb\xE9\x00", 6);
        QTest::newRow("utf8_mark_removed") << QByteArray("\xEF\xBB\xBF"
                                                         "a")
                                           << QByteArray("a");
        QTest::newRow("utf8_mark_alone") << QByteArray("\xEF\xBB\xBF") << QByteArray();
        QTest::newRow("second_utf8_mark_kept")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("start_of_utf8_mark_is_text")
            << QByteArray("\xEF\xBB") << QByteArray("\xEF\xBB");
        QTest::newRow("single_ff_is_eight_bit") << QByteArray("\xFF"
                                                              "a")
                                                << QByteArray("\xFF"
                                                              "a");
        QTest::newRow("single_fe_alone_is_eight_bit") << QByteArray("\xFE") << QByteArray("\xFE");
        QTest::newRow("fe_then_other_is_eight_bit") << QByteArray("\xFE"
                                                                  "a\n")
                                                    << QByteArray("\xFE"
                                                                  "a\n");
        QTest::newRow("utf16le_mark_removed") << QByteArray("\xFF\xFE"
                                                            "a\0\r\0\n\0b\0",
                                                            10)
                                              << QByteArray("a\r\nb");
        QTest::newRow("utf16be_bom_no_final_newline")
            << QByteArray("\xFE\xFF\0a\0\r\0\n\0b", 10) << QByteArray("a\r\nb");
        QTest::newRow("utf16le_mark_alone") << QByteArray("\xFF\xFE") << QByteArray();
        QTest::newRow("utf16le_second_mark_kept") << QByteArray("\xFF\xFE\xFF\xFE"
                                                                "a\0",
                                                                6)
                                                  << QByteArray("\xEF\xBB\xBF"
                                                                "a");
        QTest::newRow("utf16le_odd_final_byte_is_a_cut_unit") << QByteArray("\xFF\xFE"
                                                                            "a\0b",
                                                                            5)
                                                              << QByteArray("a\xEF\xBF\xBD");
        QTest::newRow("utf16be_odd_final_byte_is_a_cut_unit")
            << QByteArray("\xFE\xFF\0a\0", 5) << QByteArray("a\xEF\xBF\xBD");
        QTest::newRow("utf16le_mark_and_one_byte")
            << QByteArray("\xFF\xFE\0", 3) << QByteArray("\xEF\xBF\xBD");
        QTest::newRow("utf16le_high_surrogate_then_odd_byte")
            << QByteArray("\xFF\xFE\x00\xD8\xDC", 5) << QByteArray("\xEF\xBF\xBD\xEF\xBF\xBD");
        QTest::newRow("utf16le_nul_unit") << QByteArray("\xFF\xFE\0\0", 4) << QByteArray("\0", 1);
        QTest::newRow("utf16le_to_utf8")
            << QByteArray("\xFF\xFE\xE9\0\xAC\x20", 6) << QByteArray("\xC3\xA9\xE2\x82\xAC");
        QTest::newRow("utf16le_surrogate_pair")
            << QByteArray("\xFF\xFE\x3D\xD8\x00\xDE", 6) << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("utf16be_surrogate_pair")
            << QByteArray("\xFE\xFF\xD8\x3D\xDE\x00", 6) << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("utf16le_lone_high_surrogate_then_text") << QByteArray("\xFF\xFE\x00\xD8"
                                                                             "a\0",
                                                                             6)
                                                               << QByteArray("\xEF\xBF\xBD"
                                                                             "a");
        QTest::newRow("utf16le_lone_high_surrogate_at_end") << QByteArray("\xFF\xFE"
                                                                          "a\0\x00\xD8",
                                                                          6)
                                                            << QByteArray("a\xEF\xBF\xBD");
        QTest::newRow("utf16le_lone_low_surrogate")
            << QByteArray("\xFF\xFE\x00\xDC", 4) << QByteArray("\xEF\xBF\xBD");
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        for (const qint64 step : { qint64(1), qint64(2), qint64(3), qint64(1) << 20 }) {
            TrickleDevice device(bytes, step);
            CollectingConsumer consumer;
            QCOMPARE(readWholeDevice(device, consumer).kind, ReadOutcome::Kind::Read);
            QCOMPARE(QByteArray::fromStdString(consumer.text), expected);
        }
        // From a file, whose size is known before it is read: in blocks of the real size, and
        // in blocks of a few bytes, which end inside a mark or a unit, and of which a file of
        // four or more is read ahead.
        const QString path = m_dir.filePath(QStringLiteral("decoded.txt"));
        QVERIFY(writeFile(path, bytes));
        for (const qint64 blockSize : { CountControl().readBlockSize, qint64(1), qint64(3) }) {
            CountControl control;
            control.readBlockSize = blockSize;
            CollectingConsumer consumer;
            QCOMPARE(ReadWholeFile(path, consumer, control).kind, ReadOutcome::Kind::Read);
            QCOMPARE(QByteArray::fromStdString(consumer.text), expected);
        }
    }

    // The command line's files of zero bytes read as no text; files with any byte, even one
    // that decodes to nothing, read as they always do.
    void zeroByteFileAsNoText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("zero_bytes") << QByteArray() << QByteArray();
        QTest::newRow("one_line_end") << QByteArray("\n") << QByteArray("\n");
        QTest::newRow("the_words_empty_file")
            << QByteArray("empty file") << QByteArray("empty file");
        QTest::newRow("utf16le_mark_alone") << QByteArray("\xFF\xFE") << QByteArray();
    }
    void zeroByteFileAsNoText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        CountControl control;
        control.zeroByteFile = ZeroByteFile::NoText;
        TrickleDevice device(bytes, 1);
        CollectingConsumer fromDevice;
        QCOMPARE(readWholeDevice(device, fromDevice, control).kind, ReadOutcome::Kind::Read);
        QCOMPARE(QByteArray::fromStdString(fromDevice.text), expected);
        const QString path = m_dir.filePath(QStringLiteral("zero.txt"));
        QVERIFY(writeFile(path, bytes));
        CollectingConsumer fromFile;
        QCOMPARE(ReadWholeFile(path, fromFile, control).kind, ReadOutcome::Kind::Read);
        QCOMPARE(QByteArray::fromStdString(fromFile.text), expected);
    }

    void fileCutShortWhileReadFails_data()
    {
        QTest::addColumn<bool>("sixteenBit");
        QTest::newRow("eight_bit") << false;
        // Its blocks are converted as they are read ahead, the cut ones too.
        QTest::newRow("utf16") << true;
    }
    void fileCutShortWhileReadFails()
    {
        QFETCH(bool, sixteenBit);
        // Long enough that the blocks after the first few are read only after the cut.
        const QString path = m_dir.filePath(QStringLiteral("cut.txt"));
        const QByteArray text = QByteArray("line\n").repeated(3 * 1024 * 1024);
        const QByteArray bytes = sixteenBit
            ? "\xFF\xFE" + utf16(QString::fromLatin1(text), QSysInfo::LittleEndian)
            : text;
        QVERIFY(writeFile(path, bytes));
        MeddlingConsumer consumer([&] { QVERIFY(QFile::resize(path, 100)); });
        const ReadOutcome outcome = ReadWholeFile(path, consumer);
        QCOMPARE(outcome.kind, ReadOutcome::Kind::Failed);
        QVERIFY(!outcome.description.isEmpty());
        QVERIFY(consumer.pieces >= 1);
        QCOMPARE(QByteArray::fromStdString(consumer.text.substr(0, 100)), text.left(100));
    }

    void largeFileIsReadAhead_data()
    {
        QTest::addColumn<bool>("sharedThread");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<QByteArray>("mark");
        QTest::newRow("own_thread") << false << -1 << QByteArray();
        QTest::newRow("shared_thread") << true << -1 << QByteArray();
        QTest::newRow("stopped_with_reads_still_asked_for") << true << 1 << QByteArray();
        // Converted as they are read ahead, and stopped within the first block: after its head,
        // which the reader converts, and after its middle, converted ahead.
        QTest::newRow("utf16le") << false << -1 << QByteArray("\xFF\xFE");
        QTest::newRow("utf16be_shared_thread") << true << -1 << QByteArray("\xFE\xFF");
        for (const int stopAfter : { 1, 2 }) {
            QTest::addRow("utf16_stopped_after_piece_%d", stopAfter)
                << true << stopAfter << QByteArray("\xFF\xFE");
        }
    }
    void largeFileIsReadAhead()
    {
        QFETCH(bool, sharedThread);
        QFETCH(int, stopAfter);
        QFETCH(QByteArray, mark);
        // Large enough to be read ahead on another thread, block after block, the ring of
        // buffers many times over; a surrogate pair on every line in 16 bits.
        QByteArray text;
        for (int line = 0; text.size() < 2 * 1024 * 1024; ++line)
            text += "line " + QByteArray::number(line) + " \xF0\x9F\x98\x80\n";
        const QSysInfo::Endian order
            = mark.startsWith('\xFE') ? QSysInfo::BigEndian : QSysInfo::LittleEndian;
        const QByteArray bytes
            = mark.isEmpty() ? text : mark + utf16(QString::fromUtf8(text), order);
        const QString path = m_dir.filePath(QStringLiteral("large.txt"));
        QVERIFY(writeFile(path, bytes));
        IoThread shared;
        CountControl control;
        control.ioThread = sharedThread ? &shared : nullptr;
        control.readBlockSize = 64 * 1024;
        CollectingConsumer consumer;
        consumer.stopAfter = stopAfter;
        const ReadOutcome outcome = ReadWholeFile(path, consumer, control);
        if (stopAfter < 0) {
            QCOMPARE(outcome.kind, ReadOutcome::Kind::Read);
            QVERIFY(QByteArray::fromStdString(consumer.text) == text);
        } else {
            QCOMPARE(outcome.kind, ReadOutcome::Kind::Stopped);
            QCOMPARE(consumer.pieces, stopAfter);
            QVERIFY(text.startsWith(QByteArray::fromStdString(consumer.text)));
        }
        // Reads still asked for when the reader returned run before this job: they must not
        // reach its freed buffers (which the address sanitizer would report).
        std::promise<void> later;
        shared.post([&] { later.set_value(); });
        later.get_future().wait();
    }

    // A large file cut into ranges that threads count apart gives, range after range, the text
    // read whole: every cut falls right after a line feed, in 16-bit text on a whole unit.
    void rangesJoinToTheWholeText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray lines;
        for (int line = 0; line < 40; ++line)
            lines += QByteArray(line % 7, 'a' + char(line % 26)) + (line % 3 ? "\n" : "\r\n");
        QTest::newRow("short_lines_crlf_and_empty") << lines;
        QTest::newRow("no_final_line_feed") << lines + "last";
        QTest::newRow("lines_longer_than_ranges")
            << QByteArray("x").repeated(50) + "\n" + QByteArray("y").repeated(30) + "\nz\n";
        QTest::newRow("one_line_without_line_feed") << QByteArray("w").repeated(60);
        // Its end is looked for block after block, further each time, well past the cut.
        QTest::newRow("line_of_a_hundred_blocks_past_a_cut")
            << QByteArray("v").repeated(300) + "\nw\n";
        QTest::newRow("line_feeds_only") << QByteArray("\n").repeated(40);
        QTest::newRow("carriage_returns_at_every_place")
            << QByteArray("ab\rc\r\n\r\r\n").repeated(9);
        QTest::newRow("utf8_mark") << "\xEF\xBB\xBF" + lines;
        QTest::newRow("nul_bytes") << QByteArray("a\0b\n\0\n", 6).repeated(10);
        const QString units = QStringLiteral("ab\r\nc\n") + QChar(0xD83D) + QChar(0xDE00)
            + QStringLiteral("\n\n") + QChar(0xD800) + QStringLiteral("\n")
            + QChar(0xDC00)
            // Units whose bytes hold 0A off a unit's place: U+0A0A, U+0A00, U+000A's mirror.
            + QChar(0x0A0A) + QChar(0x0A00) + QStringLiteral("x\n") + QChar(0x0D0A);
        for (const QSysInfo::Endian order : { QSysInfo::LittleEndian, QSysInfo::BigEndian }) {
            const QByteArray mark
                = order == QSysInfo::LittleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
            const char* name = order == QSysInfo::LittleEndian ? "le" : "be";
            QTest::addRow("utf16%s_pairs_lone_surrogates_and_0a_bytes", name)
                << mark + utf16(units.repeated(6), order);
            QTest::addRow("utf16%s_odd_final_byte", name)
                << mark + utf16(units.repeated(5), order) + "a";
            QTest::addRow("utf16%s_high_surrogate_last", name)
                << mark + utf16(units.repeated(5) + QChar(0xD83D), order);
        }
    }
    void rangesJoinToTheWholeText()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("ranges.txt"));
        QVERIFY(writeFile(path, bytes));
        CollectingConsumer whole;
        QCOMPARE(ReadWholeFile(path, whole).kind, ReadOutcome::Kind::Read);
        const QByteArray expected = QByteArray::fromStdString(whole.text);
        // Ranges of a few bytes, so that cuts fall on every kind of place; blocks that end
        // anywhere, and blocks larger than the ranges.
        for (const qint64 rangeBytes : { 4, 6, 8, 10, 16, 34 }) {
            for (const qint64 blockSize : { 1, 2, 3, 5, 64, 1 << 20 }) {
                CountControl control;
                control.readBlockSize = blockSize;
                const std::unique_ptr<LineRanges> ranges
                    = LineRanges::open(path, rangeBytes, control);
                if (bytes.size() < 2 * rangeBytes) {
                    QVERIFY(!ranges);
                    continue;
                }
                QVERIFY(ranges);
                QCOMPARE(ranges->count(),
                         std::size_t((bytes.size() + rangeBytes - 1) / rangeBytes));
                if (readEveryRange(*ranges, control) != expected)
                    QFAIL(qPrintable(QStringLiteral("ranges of %1 bytes read in blocks of %2")
                                         .arg(rangeBytes)
                                         .arg(blockSize)));
                QVERIFY(!ranges->changedWhileRead());
            }
        }
    }

    // Where the file cannot be cut, it is read whole, which tells what is wrong with it.
    void rangesNotMade_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("passOverBinary");
        QTest::newRow("smaller_than_two_ranges") << QString() << QByteArray("a\nb\nc\n") << false;
        QTest::newRow("binary_passed_over")
            << QString() << QByteArray("a\0\n", 3).repeated(20) << true;
        QTest::newRow("missing") << QStringLiteral("/nonexistent/file.txt") << QByteArray()
                                 << false;
        QTest::newRow("folder") << QStringLiteral("/") << QByteArray() << false;
        QTest::newRow("size_not_its_length")
            << QStringLiteral("/proc/self/status") << QByteArray() << false;
    }
    void rangesNotMade()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, passOverBinary);
        if (path.isEmpty()) {
            path = m_dir.filePath(QStringLiteral("not_cut.txt"));
            QVERIFY(writeFile(path, bytes));
        }
        CountControl control;
        control.binaryFiles = passOverBinary ? BinaryFiles::PassOver : BinaryFiles::Count;
        QVERIFY(!LineRanges::open(path, 8, control));
        if (passOverBinary) {
            control.binaryFiles = BinaryFiles::Count;
            QVERIFY(LineRanges::open(path, 8, control));
        }
    }

    void rangesOfAFifoNotMade()
    {
        const QString path = m_dir.filePath(QStringLiteral("ranges.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // Opened for writing too, so that opening it does not wait for a writer.
        QFile writer(path);
        QVERIFY(writer.open(QIODevice::ReadWrite));
        QVERIFY(!LineRanges::open(path, 8, CountControl()));
    }

    void rangesOfAFileCutShortFail_data()
    {
        QTest::addColumn<qint64>("cutTo");
        QTest::newRow("before_the_last_range") << qint64(20);
        QTest::newRow("within_the_last_range") << qint64(60);
    }
    void rangesOfAFileCutShortFail()
    {
        QFETCH(qint64, cutTo);
        const QString path = m_dir.filePath(QStringLiteral("ranges_cut.txt"));
        QVERIFY(writeFile(path, QByteArray("line\n").repeated(13)));
        const std::unique_ptr<LineRanges> ranges = LineRanges::open(path, 16, CountControl());
        QVERIFY(ranges);
        CollectingConsumer first;
        QCOMPARE(ranges->read(0, first, CountControl()).kind, ReadOutcome::Kind::Read);
        QVERIFY(QFile::resize(path, cutTo));
        bool failed = false;
        for (std::size_t range = 1; range < ranges->count() && !failed; ++range) {
            CollectingConsumer consumer;
            const ReadOutcome outcome = ranges->read(range, consumer, CountControl());
            failed = outcome.kind == ReadOutcome::Kind::Failed;
            if (failed) {
                QCOMPARE(outcome.description,
                         QStringLiteral("The file became shorter while it was being read"));
            }
        }
        QVERIFY(failed || ranges->changedWhileRead());
    }

    void rangesOfAFileWrittenOverFail()
    {
        const QString path = m_dir.filePath(QStringLiteral("ranges_written_over.txt"));
        const QByteArray before = QByteArray("old line\n").repeated(10);
        QVERIFY(writeFile(path, before));
        QVERIFY(backdate(path));
        const std::unique_ptr<LineRanges> ranges = LineRanges::open(path, 16, CountControl());
        QVERIFY(ranges);
        QVERIFY(writeFile(path, QByteArray(before).replace("old", "new")));
        QCOMPARE(readEveryRange(*ranges, CountControl()).size(), before.size());
        const std::optional<ReadOutcome> changed = ranges->changedWhileRead();
        QVERIFY(changed);
        QCOMPARE(changed->description, QStringLiteral("The file changed while it was being read"));
    }

    void rangeStopsWhenAsked()
    {
        const QString path = m_dir.filePath(QStringLiteral("ranges_stopped.txt"));
        QVERIFY(writeFile(path, QByteArray("line\n").repeated(100)));
        const std::atomic<bool> stop { true };
        CountControl control;
        control.stop = &stop;
        const std::unique_ptr<LineRanges> ranges = LineRanges::open(path, 64, control);
        QVERIFY(ranges);
        CollectingConsumer consumer;
        QCOMPARE(ranges->read(1, consumer, control).kind, ReadOutcome::Kind::Stopped);
        QVERIFY(consumer.text.empty());
        // And when the consumer wants no more.
        CollectingConsumer refusing;
        refusing.stopAfter = 1;
        QCOMPARE(ranges->read(0, refusing, CountControl()).kind, ReadOutcome::Kind::Stopped);
    }

    void fileCutWithinItsLastPageFails()
    {
        // Its bytes were all read before the cut, but are not the file's once the reading ends.
        const QString path = m_dir.filePath(QStringLiteral("cut_a_little.txt"));
        QVERIFY(writeFile(path, "first\nsecond\n"));
        MeddlingConsumer consumer([&] { QVERIFY(QFile::resize(path, 6)); });
        QCOMPARE(ReadWholeFile(path, consumer).kind, ReadOutcome::Kind::Failed);
    }

    void fileThatGrowsWhileReadIsReadToItsNewEnd_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("small") << QByteArray("first\n");
        // Its end is met by a read ahead, and what comes after is read on from there.
        QTest::newRow("past_its_reads_ahead")
            << QByteArray("line\n").repeated(1024 * 1024) + QByteArray("first\n");
    }
    void fileThatGrowsWhileReadIsReadToItsNewEnd()
    {
        QFETCH(QByteArray, before);
        const QString path = m_dir.filePath(QStringLiteral("grows.txt"));
        QVERIFY(writeFile(path, before));
        MeddlingConsumer consumer(
            [&] {
                QFile file(path);
                QVERIFY(file.open(QIODevice::Append));
                QCOMPARE(file.write("second\n"), qint64(7));
            },
            "first\n");
        QCOMPARE(ReadWholeFile(path, consumer).kind, ReadOutcome::Kind::Read);
        QVERIFY(QByteArray::fromStdString(consumer.text) == before + "second\n");
    }

    void fileWrittenOverWhileReadFails_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("small") << QByteArray("old line\n").repeated(10);
        // Past the reads ahead, which would go on reading the new text after the old.
        QTest::newRow("past_its_reads_ahead") << QByteArray("old line\n").repeated(1024 * 1024);
    }
    void fileWrittenOverWhileReadFails()
    {
        QFETCH(QByteArray, before);
        const QString path = m_dir.filePath(QStringLiteral("written_over.txt"));
        QVERIFY(writeFile(path, before));
        QVERIFY(backdate(path));
        // Emptied and written anew at the same size, as an editor that saves in place does.
        MeddlingConsumer consumer(
            [&] { QVERIFY(writeFile(path, QByteArray(before).replace("old", "new"))); });
        const ReadOutcome outcome = ReadWholeFile(path, consumer);
        QCOMPARE(outcome.kind, ReadOutcome::Kind::Failed);
        QCOMPARE(outcome.description, QStringLiteral("The file changed while it was being read"));
    }

    void fileWhoseSizeIsNotItsLengthIsReadToItsEnd_data()
    {
        QTest::addColumn<QString>("path");
        // The kernel makes these as they are read; they report 0 bytes, or a page.
        QTest::newRow("proc_size_zero") << QStringLiteral("/proc/version");
        QTest::newRow("sysfs_size_a_page") << QStringLiteral("/sys/devices/system/cpu/online");
    }
    void fileWhoseSizeIsNotItsLengthIsReadToItsEnd()
    {
        QFETCH(QString, path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            QSKIP("needs Linux's /proc and /sys");
        const QByteArray expected = file.readAll();
        QVERIFY(!expected.isEmpty());
        CollectingConsumer consumer;
        const ReadOutcome outcome = ReadWholeFile(path, consumer);
        QCOMPARE(outcome.description, QString());
        QCOMPARE(outcome.kind, ReadOutcome::Kind::Read);
        QCOMPARE(QByteArray::fromStdString(consumer.text), expected);
    }

    void convertsAtEveryLevel_data()
    {
        QTest::addColumn<QString>("units");
        const QString pair = QStringLiteral("\U0001F600");
        const QChar high(0xD83D);
        const QChar low(0xDE00);
        QTest::newRow("ascii_blocks") << QStringLiteral("line of text\r\n").repeated(20);
        QTest::newRow("two_byte_runs") << QStringLiteral("\u00E9\u00FC\u03B1\u07FF").repeated(20);
        QTest::newRow("three_byte_runs")
            << QStringLiteral("\u6771\u4EAC\u0800\uFFFF\uE000\uD7FF").repeated(20);
        QTest::newRow("every_length_in_every_lane") << everyLengthPattern();
        QTest::newRow("ascii_block_then_others")
            << QStringLiteral("0123456789abcdef\u6771\u00E9").repeated(9);
        QTest::newRow("pair_at_every_place") << atEveryPlace(pair, QStringLiteral("\u6771"));
        QTest::newRow("pairs_in_a_row") << pair.repeated(40);
        QTest::newRow("pair_after_ascii") << atEveryPlace(pair, QStringLiteral("a"));
        QTest::newRow("lone_high_at_every_place")
            << atEveryPlace(QString(high), QStringLiteral("\u00E9"));
        QTest::newRow("lone_low_at_every_place") << atEveryPlace(QString(low), QStringLiteral("a"));
        QTest::newRow("high_before_high_and_low")
            << atEveryPlace(QString(high) + high + low, QStringLiteral("\u6771"));
        QTest::newRow("low_before_high") << atEveryPlace(QString(low) + high, QStringLiteral("x"));
        QTest::newRow("high_last") << QStringLiteral("\u6771").repeated(31) + high;
        QTest::newRow("nul_units") << QString(40, QChar(0));
    }
    void convertsAtEveryLevel()
    {
        QFETCH(QString, units);
        const QByteArray expected = plainUtf8(units);
        for (const SimdLevel level : availableSimdLevels()) {
            for (const QSysInfo::Endian order : { QSysInfo::LittleEndian, QSysInfo::BigEndian }) {
                const TextEncoding encoding = order == QSysInfo::LittleEndian
                    ? TextEncoding::Utf16LittleEndian
                    : TextEncoding::Utf16BigEndian;
                const QByteArray bytes = utf16(units, order);
                // Pieces that end inside a unit, between a pair's units and inside a block.
                for (const qsizetype step :
                     { qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(31), bytes.size() }) {
                    for (const bool oddByte : { false, true }) {
                        const QByteArray input = oddByte ? bytes + 'x' : bytes;
                        Utf16ToUtf8 converter(encoding, simdKernels(level));
                        QByteArray text;
                        for (qsizetype at = 0; at < input.size(); at += step) {
                            const QByteArray piece = input.mid(at, step);
                            const std::string_view utf8 = converter.convert(
                                { piece.constData(), std::size_t(piece.size()) });
                            text.append(utf8.data(), qsizetype(utf8.size()));
                        }
                        const std::string_view last = converter.finish();
                        text.append(last.data(), qsizetype(last.size()));
                        QCOMPARE(text, oddByte ? expected + "\xEF\xBF\xBD" : expected);
                    }
                }
            }
        }
    }

    void utf16AcrossBlocks_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("little_endian") << int(QSysInfo::LittleEndian);
        QTest::newRow("big_endian") << int(QSysInfo::BigEndian);
    }
    void utf16AcrossBlocks()
    {
        QFETCH(int, order);
        // Long enough for several blocks, with pairs and units cut wherever a block ends.
        QString text;
        for (int i = 0; i < 60000; ++i)
            text += QStringLiteral("line %1 caf\u00E9 \U0001F600\r\n").arg(i);
        const QByteArray mark = order == QSysInfo::LittleEndian ? "\xFF\xFE" : "\xFE\xFF";
        QBuffer file;
        file.setData(mark + utf16(text, QSysInfo::Endian(order)));
        file.open(QIODevice::ReadOnly);
        CollectingConsumer consumer;
        QCOMPARE(readWholeDevice(file, consumer).kind, ReadOutcome::Kind::Read);
        QVERIFY(consumer.pieces > 2);
        QCOMPARE(QByteArray::fromStdString(consumer.text), text.toUtf8());
    }

    // A large file's blocks are converted as they are read ahead, each on its own: blocks of a
    // few bytes end inside a unit, between a pair's units and among lone surrogates, and what
    // one block leaves must reach the next.
    void utf16ReadAheadInTinyBlocks_data()
    {
        QTest::addColumn<QString>("units");
        const QString pair = QStringLiteral("\U0001F600");
        const QChar high(0xD83D);
        const QChar low(0xDE00);
        QTest::newRow("pair_at_every_place") << atEveryPlace(pair, QStringLiteral("\u6771"));
        QTest::newRow("pairs_in_a_row") << pair.repeated(40);
        QTest::newRow("lone_high_at_every_place")
            << atEveryPlace(QString(high), QStringLiteral("\u00E9"));
        QTest::newRow("lone_low_at_every_place") << atEveryPlace(QString(low), QStringLiteral("a"));
        QTest::newRow("highs_before_a_pair")
            << atEveryPlace(QString(high) + high + high + low, QStringLiteral("\u6771"));
        QTest::newRow("low_before_high") << atEveryPlace(QString(low) + high, QStringLiteral("x"));
        QTest::newRow("high_last") << QStringLiteral("\u6771").repeated(31) + high;
        QTest::newRow("only_highs") << QString(60, high);
        QTest::newRow("lines_of_every_length") << everyLengthPattern() + QStringLiteral("\r\n");
    }
    void utf16ReadAheadInTinyBlocks()
    {
        QFETCH(QString, units);
        const QString path = m_dir.filePath(QStringLiteral("utf16_blocks.txt"));
        for (const QSysInfo::Endian order : { QSysInfo::LittleEndian, QSysInfo::BigEndian }) {
            const QByteArray mark = order == QSysInfo::LittleEndian ? "\xFF\xFE" : "\xFE\xFF";
            for (const bool oddByte : { false, true }) {
                const QByteArray bytes = mark + utf16(units, order) + (oddByte ? "x" : "");
                QVERIFY(writeFile(path, bytes));
                const QByteArray expected = plainUtf8(units) + (oddByte ? "\xEF\xBF\xBD" : "");
                // Small enough that every file here is read ahead, in blocks of each parity.
                for (const qint64 blockSize : { 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 33 }) {
                    CountControl control;
                    control.readBlockSize = blockSize;
                    CollectingConsumer consumer;
                    QCOMPARE(ReadWholeFile(path, consumer, control).kind, ReadOutcome::Kind::Read);
                    QCOMPARE(QByteArray::fromStdString(consumer.text), expected);
                }
            }
        }
    }

    void consumerStopsTheReading()
    {
        QBuffer file;
        file.setData(QByteArray(3 * 1024 * 1024, 'a'));
        file.open(QIODevice::ReadOnly);
        CollectingConsumer consumer;
        consumer.stopAfter = 1;
        QCOMPARE(readWholeDevice(file, consumer).kind, ReadOutcome::Kind::Stopped);
        QCOMPARE(consumer.pieces, 1);
    }

    void controlStopsTheReading()
    {
        QBuffer file;
        file.setData(QByteArray(1024, 'a'));
        file.open(QIODevice::ReadOnly);
        CollectingConsumer consumer;
        const std::atomic<bool> stop { true };
        QCOMPARE(readWholeDevice(file, consumer, { &stop, nullptr }).kind,
                 ReadOutcome::Kind::Stopped);
        QCOMPARE(consumer.pieces, 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_APPLESS_MAIN(TestTextReader)
#include "tst_text_reader.moc"
