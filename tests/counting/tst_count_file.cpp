#include "collecting_sink.h"
#include "counting/scan/count_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TestCountFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void files_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero_bytes") << QByteArray() << "1:10:empty file\n";
        QTest::newRow("crlf_lines") << QByteArray("a\r\nb\r\n") << "1:1:a\n2:1:b\n";
        QTest::newRow("utf16le_mark_not_counted") << QByteArray("\xFF\xFE"
                                                                "a\0\r\0\n\0b\0",
                                                                10)
                                                  << "1:1:a\n2:1:b\n";
        QTest::newRow("utf16be_bom_no_final_newline")
            << QByteArray("\xFE\xFF\0a\0b\0\n\0c", 10) << "1:2:ab\n2:1:c\n";
        QTest::newRow("utf16le_empty_lines_numbered")
            << QByteArray("\xFF\xFE\n\0\r\0\n\0a\0", 10) << "3:1:a\n";
        QTest::newRow("utf16le_line_converted_to_utf8")
            << QByteArray("\xFF\xFE\xC4\0R\0\n\0", 8) << "1:2:%C3%84R\n";
        QTest::newRow("utf16le_pair_counts_two")
            << QByteArray("\xFF\xFE\x3D\xD8\x00\xDE", 6) << "1:2:%F0%9F%98%80\n";
        QTest::newRow("utf8_mark_not_counted") << QByteArray("\xEF\xBB\xBF"
                                                             "ab")
                                               << "1:2:ab\n";
        QTest::newRow("lone_ff_is_eight_bit") << QByteArray("\xFF"
                                                            "ab")
                                              << "1:3:%FFab\n";
        QTest::newRow("only_a_mark") << QByteArray("\xFF\xFE") << "";
        QTest::newRow("utf16le_odd_last_byte_counts_one") << QByteArray("\xFF\xFE"
                                                                        "a\0\n\0b\0c",
                                                                        9)
                                                          << "1:1:a\n2:2:b%EF%BF%BD\n";
        QTest::newRow("utf16be_odd_last_byte_counts_one") << QByteArray("\xFE\xFF\0a\0\n\0b"
                                                                        "c",
                                                                        9)
                                                          << "1:1:a\n2:2:b%EF%BF%BD\n";
    }
    void files()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const QString path = writeFile(m_dir, QStringLiteral("input.txt"), bytes);
        CollectingSink sink;
        QCOMPARE(countFile(path, LineFilter {}, sink).kind, FileCountOutcome::Kind::Counted);
        QCOMPARE(describe(sink.rows, LineNumbers::Shown), expected);
    }

    void zeroBytesPassTheFilterLikeAnyText()
    {
        const QString path = writeFile(m_dir, QStringLiteral("empty.txt"), {});
        CollectingSink sink;
        countFile(path, { LineFilterMode::NotContaining, QStringLiteral("empty") }, sink);
        QCOMPARE(sink.rows.size(), 0);
    }

    void missingPathIsSkipped()
    {
        CollectingSink sink;
        const FileCountOutcome outcome
            = countFile(m_dir.filePath(QStringLiteral("nosuch.txt")), LineFilter {}, sink);
        QCOMPARE(outcome.kind, FileCountOutcome::Kind::Missing);
        QVERIFY(sink.rows.isEmpty());
    }

    void folderFails()
    {
        CollectingSink sink;
        const FileCountOutcome outcome = countFile(m_dir.path(), LineFilter {}, sink);
        QCOMPARE(outcome.kind, FileCountOutcome::Kind::ReadFailed);
        QCOMPARE(outcome.description, qt_error_string(EISDIR));
    }

    void unreadableFileFails()
    {
        if (geteuid() == 0)
            QSKIP("root reads every file whatever its permissions");
        const QString path = writeFile(m_dir, QStringLiteral("secret.txt"), "a\n");
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        CollectingSink sink;
        const FileCountOutcome outcome = countFile(path, LineFilter {}, sink);
        QCOMPARE(outcome.kind, FileCountOutcome::Kind::ReadFailed);
        QCOMPARE(outcome.description, qt_error_string(EACCES));
    }

    void readErrorFails()
    {
        // Reading a process's own memory from its first byte fails with an I/O error.
        const QString path = QStringLiteral("/proc/self/mem");
        if (!QFile::exists(path))
            QSKIP("needs Linux's /proc");
        CollectingSink sink;
        const FileCountOutcome outcome = countFile(path, LineFilter {}, sink);
        QCOMPARE(outcome.kind, FileCountOutcome::Kind::ReadFailed);
        QCOMPARE(outcome.description, qt_error_string(EIO));
    }

    void changedBetweenListingAndCounting_data()
    {
        QTest::addColumn<QByteArray>("now");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("removed") << QByteArray() << true << int(FileCountOutcome::Kind::Missing)
                                 << "";
        QTest::newRow("emptied") << QByteArray() << false << int(FileCountOutcome::Kind::Counted)
                                 << "10:empty file\n";
        QTest::newRow("grown") << QByteArray("one\ntwo\nthree\n") << false
                               << int(FileCountOutcome::Kind::Counted) << "3:one\n3:two\n5:three\n";
    }
    void changedBetweenListingAndCounting()
    {
        QFETCH(QByteArray, now);
        QFETCH(bool, removed);
        QFETCH(int, kind);
        QFETCH(QString, expected);
        const QString path = writeFile(m_dir, QStringLiteral("listed.txt"), "one\n");
        if (removed)
            QFile::remove(path);
        else
            writeFile(m_dir, QStringLiteral("listed.txt"), now);
        CollectingSink sink;
        QCOMPARE(int(countFile(path, LineFilter {}, sink).kind), kind);
        QCOMPARE(describe(sink.rows), expected);
    }

    void rowFailureSkipsRestOfFileOnly()
    {
        const QString path = writeFile(m_dir, QStringLiteral("rows.txt"), "a\nb\nc\nd\n");
        CollectingSink sink;
        sink.failAt = 1;
        const FileCountOutcome first = countFile(path, LineFilter {}, sink);
        QCOMPARE(first.kind, FileCountOutcome::Kind::RowFailed);
        QCOMPARE(first.description, QStringLiteral("No room for row 1"));
        QCOMPARE(sink.offered, 2);
        const FileCountOutcome second = countFile(path, LineFilter {}, sink);
        QCOMPARE(second.kind, FileCountOutcome::Kind::Counted);
        QCOMPARE(describe(sink.rows), QStringLiteral("1:a\n1:a\n1:b\n1:c\n1:d\n"));
    }

    void stopEndsTheCount()
    {
        const QString path = writeFile(m_dir, QStringLiteral("stop.txt"), "a\n");
        const std::atomic<bool> stop { true };
        CollectingSink sink;
        QCOMPARE(countFile(path, LineFilter {}, sink, { &stop, nullptr }).kind,
                 FileCountOutcome::Kind::Stopped);
        QVERIFY(sink.rows.isEmpty());
    }

    void fileOverTwoGibibytesIsRead()
    {
        // Sparse, so it costs no disk: zero bytes in lines of 64 MiB, and one line of text
        // past the 2 GiB mark that a 32-bit size would never reach.
        const QString path = m_dir.filePath(QStringLiteral("large.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const qint64 size = (qint64(1) << 31) + (qint64(1) << 20);
        QVERIFY(file.resize(size));
        for (qint64 at = qint64(64) << 20; at < size; at += qint64(64) << 20) {
            QVERIFY(file.seek(at));
            file.write("\n");
        }
        QVERIFY(file.seek(size - 10));
        file.write("\nfar away\n");
        file.close();

        std::atomic<qint64> bytesDone { 0 };
        CollectingSink sink;
        const FileCountOutcome outcome
            = countFile(path, { LineFilterMode::Containing, QStringLiteral("FAR") }, sink,
                        { nullptr, &bytesDone });
        QCOMPARE(outcome.kind, FileCountOutcome::Kind::Counted);
        QCOMPARE(describe(sink.rows), QStringLiteral("8:far away\n"));
        QCOMPARE(bytesDone.load(), size);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_APPLESS_MAIN(TestCountFile)
#include "tst_count_file.moc"
