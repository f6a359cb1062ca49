#include "file_exists.h"

#include "long_path.h"
#include "path_bytes.h"

#include <sys/stat.h>

namespace velmora {

bool FileExists(const QString& path)
{
    struct stat status;
    return !path.isEmpty() && statLongPath(pathBytes(path), &status) == 0;
}

} // namespace velmora
