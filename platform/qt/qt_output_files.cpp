#include "qt_output_files.h"

#include "common/output_file.h"

namespace velmora {

std::unique_ptr<PendingFile> QtOutputFiles::beginReplacing(const QString& path, QString& error)
{
    return OutputFile::open(path, error);
}

} // namespace velmora
