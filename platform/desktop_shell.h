#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace velmora {

/// Hands documents, web addresses, files to show and copied text to the desktop's own
/// programs, without waiting for them.
class DesktopShell
{
public:
    virtual ~DesktopShell() = default;
    /// Opens a local file with its default viewer; failures are not reported.
    virtual void openDocument(const QString& path) = 0;
    /// Opens a web address in the user's browser; failures are not reported.
    virtual void openWebPage(const QUrl& address) = 0;
    /// Opens the file manager on the folders of the local files `paths`, with the files
    /// selected, or else on their folders alone; failures are not reported.
    virtual void showInFolder(const QStringList& paths) = 0;
    /// Puts `text` on the clipboard, in place of what was there.
    virtual void copyText(const QString& text) = 0;
};

} // namespace velmora
