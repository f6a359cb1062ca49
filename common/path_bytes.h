#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QUrl;

namespace velmora {

// On Linux a file name is any run of bytes but NUL; it need not be UTF-8. A path keeps its
// exact bytes inside a QString this way: valid UTF-8 is decoded as usual, and every byte that
// is not part of valid UTF-8 becomes the lone low surrogate U+DC00 plus the byte (as Python's
// "surrogateescape" does). Such a QString reads with replacement characters on screen and
// turns back into the same bytes when a file is opened.

/// The path for the file system's `bytes`, undecodable bytes kept as U+DC80 to U+DCFF.
QString pathFromBytes(QByteArrayView bytes);

/// The exact bytes of a path made by pathFromBytes(); other text as UTF-8.
QByteArray pathBytes(const QString& path);

/// `path` as a person reads it: each byte that is not UTF-8 shown as U+FFFD.
QString displayedPath(const QString& path);

/// The local path of a `file:` URL, its percent-escaped bytes kept whatever they encode.
QString pathFromUrl(const QUrl& url);

/// `path` made absolute against the working folder, whatever bytes that folder's name holds;
/// "." and ".." steps are resolved in the text, as QDir::cleanPath() does.
QString absolutePath(const QString& path);

/// A path that Qt decoded lossily (undecodable bytes turned into U+FFFD), such as one its file
/// dialogs return, matched back to the one existing file or folder it stands for. Gives the
/// path unchanged when it exists as it is, or when no single name matches.
QString recoverLossyPath(const QString& path);

} // namespace velmora
