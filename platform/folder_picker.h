#pragma once

#include <QString>

namespace velmora {

/// The platform's folder chooser, limited to file-system folders.
class FolderPicker
{
public:
    virtual ~FolderPicker() = default;
    /// Returns the chosen folder without a trailing separator (except for a root), or the empty
    /// text when cancelled.
    virtual QString pickFolder(const QString& prompt) = 0;
};

} // namespace velmora
