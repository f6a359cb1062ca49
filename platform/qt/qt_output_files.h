#pragma once

#include "../output_files.h"

namespace velmora {

/// The program's own output files, as OutputFile writes them.
class QtOutputFiles final : public OutputFiles
{
public:
    std::unique_ptr<PendingFile> beginReplacing(const QString& path, QString& error) override;
};

} // namespace velmora
