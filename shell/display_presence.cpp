#include "display_presence.h"

#include <algorithm>

namespace velmora {

namespace {

// Qt takes its own options with one dash or two; -platform's value may list several platforms
// separated by ";", each with its own options after a ":".
QStringList chosenPlatforms(const QStringList& arguments, const QProcessEnvironment& environment)
{
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == u"-platform" || arguments.at(i) == u"--platform")
            return arguments.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    return environment.value(QStringLiteral("QT_QPA_PLATFORM"))
        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

// X11 and Wayland need their display server; offscreen, minimal, vnc, eglfs and the other
// platforms draw without one.
bool platformCanShow(const QString& platform, bool x11, bool wayland)
{
    const QString name = platform.section(QLatin1Char(':'), 0, 0);
    if (name.startsWith(u"xcb"))
        return x11;
    if (name.startsWith(u"wayland"))
        return wayland;
    return true;
}

} // namespace

bool windowCanAppear(const QStringList& arguments, const QProcessEnvironment& environment)
{
    const bool x11 = !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    const QStringList platforms = chosenPlatforms(arguments, environment);
    if (platforms.isEmpty())
        return x11 || wayland;
    return std::any_of(platforms.cbegin(), platforms.cend(), [&](const QString& platform) {
        return platformCanShow(platform, x11, wayland);
    });
}

} // namespace velmora
