#include "file_exists.h"

#include "path_bytes.h"

#include <sys/stat.h>

namespace velmora {

bool FileExists(const QString& path)
{
    struct stat status;
    return !path.isEmpty() && ::stat(pathBytes(path).constData(), &status) == 0;
}

} // namespace velmora
