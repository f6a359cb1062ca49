#include "qt_output_file_opener.h"

#include "common/replacing_output_file.h"

namespace velmora {

std::unique_ptr<PendingFile> QtOutputFileOpener::beginReplacing(const QString& path, QString& error)
{
    return ReplacingOutputFile::open(path, error);
}

} // namespace velmora
