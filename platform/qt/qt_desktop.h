#pragma once

#include "../desktop_shell.h"
#include "../event_pump.h"
#include "../random_source.h"
#include "../screen_info.h"
#include "../settings_store.h"

#include <QElapsedTimer>
#include <QSettings>

#include <random>

namespace velmora {

class QtDesktopShell final : public DesktopShell
{
public:
    void openDocument(const QString& path) override;
    void openWebPage(const QUrl& address) override;
    /// Through the freedesktop file manager interface on the session bus, which selects the
    /// files; where no file manager answers there, the desktop opens each folder.
    void showInFolder(const QStringList& paths) override;
    void copyText(const QString& text) override;
};

/// QSettings under the organisation "Orvantis" and the application "Velmora".
class QtSettingsStore final : public SettingsStore
{
public:
    QtSettingsStore();
    QString readText(const QString& section, const QString& key,
                     const QString& defaultValue) const override;
    void writeText(const QString& section, const QString& key, const QString& value) override;

private:
    mutable QSettings m_settings;
};

class QtScreenInfo final : public ScreenInfo
{
public:
    QSize screenSize() const override;
    double logicalDpi() const override;
};

/// Seeded from the seconds since midnight, as the product page roll has always been.
class TimeSeededRandom final : public RandomSource
{
public:
    TimeSeededRandom();
    double nextUnit() override;

private:
    std::mt19937 m_engine;
};

/// Processes waiting events, at most about every 15 ms, so that a loop may call it at every
/// step without spending its time there.
class QtEventPump final : public EventPump
{
public:
    QtEventPump();
    void processWaitingEvents() override;

private:
    QElapsedTimer m_sinceLast;
};

} // namespace velmora
