#include "path_rules.h"

#include "common/file_exists.h"
#include "common/truth_value.h"

#include <QDir>

namespace velmora {

QString reduceDoubledSeparators(const QString& path)
{
    const QChar separator = QDir::separator();
    return QString(path).replace(QString(2, separator), QString(separator));
}

QString PathHasBadCharacters(const QString& path)
{
    // Asking never fails: the empty text, a name the system rejects and a missing or
    // unreachable path all come back as not there. A link counts as what it leads to, so a
    // broken one is bad too: it could never be read.
    return truthText(!FileExists(path));
}

} // namespace velmora
