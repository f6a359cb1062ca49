#pragma once

#include "../output_files.h"

namespace velmora {

/// QSaveFile: a temporary file beside the target, renamed over it on commit.
class QtOutputFiles final : public OutputFiles
{
public:
    std::unique_ptr<PendingFile> beginReplacing(const QString& path, QString& error) override;
};

} // namespace velmora
