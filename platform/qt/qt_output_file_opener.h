// The window's real file opener: hands out the program's own ReplacingOutputFile.
#pragma once

#include "../output_file_opener.h"

namespace velmora {

/// The program's own output files, as ReplacingOutputFile writes them.
class QtOutputFileOpener final : public OutputFileOpener
{
public:
    std::unique_ptr<PendingFile> beginReplacing(const QString& path, QString& error) override;
};

} // namespace velmora
