// The interface through which the window opens the file a user saves to.
#pragma once

#include "common/pending_file.h"

#include <QString>

#include <memory>

namespace velmora {

/// How the window opens a file a user names to be written, so that a test can hand in one
/// that fails where it chooses.
class OutputFileOpener
{
public:
    virtual ~OutputFileOpener() = default;
    /// Starts replacing (or creating) `path`. Gives nothing, and says why in `error`, when the
    /// target cannot be written: a missing folder, no permission, a folder in its place. May
    /// wait as long as a FIFO has no reader.
    virtual std::unique_ptr<PendingFile> beginReplacing(const QString& path, QString& error) = 0;
};

} // namespace velmora
