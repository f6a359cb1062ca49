#pragma once

#include <optional>
#include <string>

namespace velmora {

/// The bytes of the file `name`, relative to the folder open at `folder` (AT_FDCWD: the
/// working folder); nothing when it cannot be opened or read, as git passes over an ignore
/// file it cannot read.
std::optional<std::string> fileText(int folder, const char* name);

} // namespace velmora
