// Show in Folder and the clipboard through the real desktop shell: a file manager on a private
// session bus of the test's own, served from a thread of its own, takes the files' addresses;
// without one, the desktop is asked for each folder (caught by a handler of file URLs).
#include "platform/qt/qt_desktop.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QThread>

using namespace velmora;

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");

class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> shown; // read once the call has returned

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId);
        shown << uris;
    }
};

class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class TestQtDesktopShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_bus.start(QStringLiteral("dbus-daemon"),
                    { QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1") });
        if (!m_bus.waitForStarted() || !m_bus.waitForReadyRead(5000))
            QSKIP("dbus-daemon cannot be started here");
        const QByteArray address = m_bus.readLine().trimmed();
        // Before the shell first reaches for the session bus, which it then keeps.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opened, "open");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        m_bus.kill();
        m_bus.waitForFinished();
    }
    void init() { m_opened.urls.clear(); }

    void aFileManagerOnTheBusSelectsTheFiles()
    {
        QThread serving;
        FakeFileManager manager;
        manager.moveToThread(&serving);
        serving.start();
        QDBusConnection connection = QDBusConnection::connectToBus(
            QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")), QStringLiteral("manager"));
        QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(connection.registerService(fileManagerService));

        QtDesktopShell().showInFolder(
            { QStringLiteral("/tmp/a b/\u00E9.txt"), QStringLiteral("/srv/two.txt") });

        connection.unregisterService(fileManagerService);
        connection.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("manager"));
        serving.quit();
        serving.wait(); // what the thread wrote is here to read once it has ended
        QCOMPARE(manager.shown,
                 QList<QStringList>({ { "file:///tmp/a%20b/%C3%A9.txt", "file:///srv/two.txt" } }));
        QVERIFY(m_opened.urls.isEmpty());
    }

    void withoutAFileManagerEachFolderIsOpenedOnce()
    {
        QVERIFY(
            !QDBusConnection::sessionBus().interface()->isServiceRegistered(fileManagerService));
        QtDesktopShell().showInFolder({ QStringLiteral("/tmp/a b/one.txt"),
                                        QStringLiteral("/srv/two.txt"),
                                        QStringLiteral("/tmp/a b/three.txt") });
        QCOMPARE(m_opened.urls,
                 QList<QUrl>({ QUrl::fromLocalFile(QStringLiteral("/tmp/a b")),
                               QUrl::fromLocalFile(QStringLiteral("/srv")) }));
    }

    void copiedTextReplacesTheClipboard()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QtDesktopShell().copyText(QStringLiteral("12\tline \u00E9\n3\tabc"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12\tline \u00E9\n3\tabc"));
    }

private:
    QProcess m_bus;
    OpenedUrls m_opened;
};

QTEST_MAIN(TestQtDesktopShell)
#include "tst_qt_desktop_shell.moc"
