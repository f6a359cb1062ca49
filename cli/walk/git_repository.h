#pragma once

#include "ignore_rules.h"

#include <memory>
#include <string>

namespace velmora {

/// The patterns git applies in the work tree whose top folder is `top` (its path, which holds
/// ".git" as a folder or as a file naming the repository's folder): .git/info/exclude and the
/// global excludes file (core.excludesFile, else $XDG_CONFIG_HOME/git/ignore, else
/// ~/.config/git/ignore). Files that cannot be read add no pattern.
std::shared_ptr<const RepositoryExcludes> repositoryExcludes(const std::string& top,
                                                             PathRelation relation);

} // namespace velmora
