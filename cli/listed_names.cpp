#include "listed_names.h"

#include "common/long_path.h"
#include "common/path_bytes.h"
#include "interruption.h"

#include <QByteArray>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace velmora {

namespace {

/// The whole content of `descriptor`; none, with `error` set, when it cannot be read or an
/// interrupt arrived while it waited for more.
std::optional<QByteArray> readWhole(int descriptor, QString& error)
{
    QByteArray bytes;
    char block[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(descriptor, block, sizeof block);
        if (got == 0)
            return bytes;
        if (got > 0) {
            bytes.append(block, qsizetype(got));
            continue;
        }
        // Interrupts do not restart reads, so that a list piped from a command that never
        // ends can still be stopped.
        if (errno == EINTR && !interruption())
            continue;
        error = qt_error_string(errno);
        return std::nullopt;
    }
}

} // namespace

QStringList namesFromList(const QString& listPath, const Complaint& complain)
{
    const bool fromStandardInput = listPath == u"-";
    const int descriptor
        = fromStandardInput ? STDIN_FILENO : openLongPath(pathBytes(listPath), O_RDONLY);
    if (descriptor < 0) {
        complain(listPath, qt_error_string(errno));
        return {};
    }
    QString error;
    const std::optional<QByteArray> list = readWhole(descriptor, error);
    if (!fromStandardInput)
        ::close(descriptor);
    if (!list) {
        complain(listPath, error);
        return {};
    }
    QStringList names;
    const QList<QByteArray> pieces = list->split('\0');
    // A NUL ends each name, so the piece after the last one is no name.
    const qsizetype count = list->isEmpty() ? 0
        : list->endsWith('\0')              ? pieces.size() - 1
                                            : pieces.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray& name = pieces.at(i);
        const QString place = QStringLiteral("%1:%2").arg(listPath).arg(i + 1);
        if (name.isEmpty()) {
            complain(place, QStringLiteral("invalid zero-length file name"));
        } else if (fromStandardInput && name == "-") {
            // Standard input already holds the list; it cannot be counted as well.
            complain(place,
                     QStringLiteral("when reading file names from standard input, no file name "
                                    "of '-' allowed"));
        } else {
            names << pathFromBytes(name);
        }
    }
    return names;
}

} // namespace velmora
