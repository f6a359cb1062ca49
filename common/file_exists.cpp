#include "file_exists.h"

#include <QFileInfo>

namespace velmora {

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

} // namespace velmora
