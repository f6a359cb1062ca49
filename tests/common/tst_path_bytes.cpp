#include "common/path_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;

class TestPathBytes : public QObject
{
    Q_OBJECT

private slots:
    void bytesComeBackExactly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("path");
        QTest::newRow("ascii") << QByteArray("/tmp/a.txt") << QStringLiteral("/tmp/a.txt");
        QTest::newRow("utf8_decoded_as_usual")
            << QByteArray("caf\xC3\xA9") << QString::fromUtf8("caf\xC3\xA9");
        QTest::newRow("four_byte_character")
            << QByteArray("\xF0\x9F\x99\x82\xE9") << QString::fromUtf16(u"\xD83D\xDE42\xDCE9");
        QTest::newRow("latin1_byte")
            << QByteArray("caf\xE9.txt") << QString::fromUtf16(u"caf\xDCE9.txt");
        QTest::newRow("byte_ff") << QByteArray("\xFF") << QString::fromUtf16(u"\xDCFF");
        QTest::newRow("lone_continuation") << QByteArray("a\x80") << QString::fromUtf16(u"a\xDC80");
        QTest::newRow("overlong_slash")
            << QByteArray("\xC0\xAF") << QString::fromUtf16(u"\xDCC0\xDCAF");
        QTest::newRow("encoded_surrogate_is_three_bytes")
            << QByteArray("\xED\xB3\xA9") << QString::fromUtf16(u"\xDCED\xDCB3\xDCA9");
        QTest::newRow("above_unicode")
            << QByteArray("\xF4\x90\x80\x80") << QString::fromUtf16(u"\xDCF4\xDC90\xDC80\xDC80");
        QTest::newRow("cut_off_sequence_at_the_end")
            << QByteArray("ab\xE2\x82") << QString::fromUtf16(u"ab\xDCE2\xDC82");
        QTest::newRow("valid_after_invalid")
            << QByteArray("\xE9\xC3\xA9") << QString::fromUtf16(u"\xDCE9\xE9");
        QTest::newRow("byte_order_mark_after_invalid_is_kept")
            << QByteArray("\xE9\xEF\xBB\xBF\x61") << QString::fromUtf16(u"\xDCE9\xFEFF\x61");
    }
    void bytesComeBackExactly()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, path);
        QCOMPARE(pathFromBytes(bytes), path);
        QCOMPARE(pathBytes(path), bytes);
        QCOMPARE(displayedPath(path), QString::fromUtf8(bytes));
    }

    void fileUrlsKeepTheirEscapedBytes_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        QTest::newRow("utf8") << QStringLiteral("file:///tmp/caf%C3%A9.txt")
                              << QString::fromUtf8("/tmp/caf\xC3\xA9.txt");
        QTest::newRow("latin1") << QStringLiteral("file:///tmp/caf%E9.txt")
                                << QString::fromUtf16(u"/tmp/caf\xDCE9.txt");
        QTest::newRow("space_and_percent")
            << QStringLiteral("file:///tmp/a%20b%25.txt") << QStringLiteral("/tmp/a b%.txt");
    }
    void fileUrlsKeepTheirEscapedBytes()
    {
        QFETCH(QString, url);
        QFETCH(QString, path);
        QCOMPARE(pathFromUrl(QUrl(url)), path);
    }

    void relativePathsTakeTheWorkingFolderAsBytes()
    {
        QTemporaryDir root;
        const QByteArray folder = QFile::encodeName(root.path()) + "/caf\xE9";
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
        const QString before = QDir::currentPath();
        QCOMPARE(::chdir(folder.constData()), 0);
        const QString made = absolutePath(QStringLiteral("x/../y.txt"));
        QVERIFY(QDir::setCurrent(before));
        ::rmdir(folder.constData());

        QCOMPARE(pathBytes(made), folder + "/y.txt");
        QCOMPARE(absolutePath(QStringLiteral("/a/./b/../c")), QStringLiteral("/a/c"));
    }

    void aLossyNameIsMatchedToTheFileItStandsFor()
    {
        QTemporaryDir folder;
        const QByteArray name = QFile::encodeName(folder.path()) + "/caf\xE9.txt";
        const int file = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(file >= 0);
        ::close(file);
        const QString lossy = folder.path() + QString::fromUtf16(u"/caf\xFFFD.txt");

        QCOMPARE(pathBytes(recoverLossyPath(lossy)), name);
        QCOMPARE(recoverLossyPath(folder.path()), folder.path());
        const QString missing = folder.path() + QString::fromUtf16(u"/x\xFFFD.txt");
        QCOMPARE(recoverLossyPath(missing), missing);
        ::unlink(name.constData());
    }
};

QTEST_GUILESS_MAIN(TestPathBytes)
#include "tst_path_bytes.moc"
