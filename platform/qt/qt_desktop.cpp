#include "qt_desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
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
