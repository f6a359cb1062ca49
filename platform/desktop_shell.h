#pragma once

#include <QString>
#include <QUrl>

namespace velmora {

/// Hands documents and web addresses to the desktop's own programs, without waiting for them.
class DesktopShell
{
public:
    virtual ~DesktopShell() = default;
    /// Opens a local file with its default viewer; failures are not reported.
    virtual void openDocument(const QString& path) = 0;
    /// Opens a web address in the user's browser; failures are not reported.
    virtual void openWebPage(const QUrl& address) = 0;
};

} // namespace velmora
