#include "qt_desktop.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTime>

namespace velmora {

void QtDesktopShell::openDocument(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtDesktopShell::openWebPage(const QUrl& address)
{
    QDesktopServices::openUrl(address);
}

void QtDesktopShell::showInFolder(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    QStringList uris;
    for (const QString& path : paths)
        uris << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // A file manager answers at once; one that is started for the call is given a moment.
    constexpr int replyMilliseconds = 3000;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()
        && bus.call(call, QDBus::Block, replyMilliseconds).type() == QDBusMessage::ReplyMessage)
        return;
    QStringList folders;
    for (const QString& path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
    for (const QString& folder : std::as_const(folders))
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QtDesktopShell::copyText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

QtSettingsStore::QtSettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvantis"),
                 QStringLiteral("Velmora"))
{ }

QString QtSettingsStore::readText(const QString& section, const QString& key,
                                  const QString& defaultValue) const
{
    return m_settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void QtSettingsStore::writeText(const QString& section, const QString& key, const QString& value)
{
    m_settings.setValue(section + QLatin1Char('/') + key, value);
    // Nothing is written at shutdown, so every value goes to disk as soon as it is set.
    m_settings.sync();
}

QSize QtScreenInfo::screenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

double QtScreenInfo::logicalDpi() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

TimeSeededRandom::TimeSeededRandom()
    : m_engine(
        static_cast<std::mt19937::result_type>(QTime::currentTime().msecsSinceStartOfDay() / 1000))
{ }

double TimeSeededRandom::nextUnit()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine);
}

QtEventPump::QtEventPump()
{
    m_sinceLast.start();
}

void QtEventPump::processWaitingEvents()
{
    if (m_sinceLast.elapsed() < 15)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceLast.restart();
}

} // namespace velmora
