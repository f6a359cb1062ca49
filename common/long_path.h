#pragma once

#include <QByteArray>

struct stat;

namespace velmora {

// A path longer than PATH_MAX (a tree a few thousand folders deep) is refused by open() and
// stat() with ENAMETOOLONG, though the file is there. These take a path's bytes of any length:
// a short one goes to the plain call; a long one is walked a stretch at a time, each stretch
// opened from the folder the one before it reached, so at most two descriptors are held.

/// open(2) of `path` with `flags` (no O_CREAT): a descriptor, or -1 with errno set.
int openLongPath(const QByteArray& path, int flags);

/// stat(2) of `path`, links followed: 0, or -1 with errno set.
int statLongPath(const QByteArray& path, struct stat* status);

} // namespace velmora
