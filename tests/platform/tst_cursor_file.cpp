#include "platform/qt/cursor_file.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

class TestCursorFile : public QObject
{
    Q_OBJECT

private slots:
    void readsOurHandCursorWithItsHotSpot()
    {
        const std::optional<QCursor> cursor
            = loadCursorFile(QStringLiteral(VELMORA_SOURCE_DIR "/resources/HAND-M.CUR"));
        QVERIFY(cursor.has_value());
        QCOMPARE(cursor->shape(), Qt::BitmapCursor);
        QCOMPARE(cursor->hotSpot(), QPoint(7, 0));
        QCOMPARE(cursor->pixmap().size(), QSize(32, 32));
    }

    void refusesWhatIsNotACursor_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not a cursor at all, just some text");
        QByteArray icon = cursorBytes();
        icon[2] = 1; // an icon file, not a cursor
        QTest::newRow("icon_type") << icon;
        QTest::newRow("truncated") << cursorBytes().left(40);
    }
    void refusesWhatIsNotACursor()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("bad.cur")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QVERIFY(!loadCursorFile(file.fileName()).has_value());
    }

    void aMissingFileIsNoCursor()
    {
        QVERIFY(!loadCursorFile(QStringLiteral("/nonexistent/HAND-M.CUR")).has_value());
    }

private:
    static QByteArray cursorBytes()
    {
        QFile file(QStringLiteral(VELMORA_SOURCE_DIR "/resources/HAND-M.CUR"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QTEST_MAIN(TestCursorFile)
#include "tst_cursor_file.moc"
