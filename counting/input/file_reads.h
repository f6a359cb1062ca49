#pragma once

#include "text_reader.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace velmora {

/// A read that failed for `description`.
ReadOutcome readFailure(const QString& description);

/// A block of at least `size` bytes that the calling thread reads into, kept from file to
/// file: a block of its own for each file would be mapped and unmapped, its pages faulted in
/// and cleared each time, which costs more than reading a small file. Null without memory.
char* threadReadBlock(std::size_t size);

/// Whether the size that the regular file open at `descriptor` reports is its length. The
/// kernel's own file systems make a file's text as it is read and report a size of 0 or of a
/// page whatever it holds; a file that reports no bytes may also be one of theirs seen through
/// another file system (lxcfs through FUSE), or a file still to be written, and reading it as
/// it comes serves both. Where the file system cannot be told, the size is trusted.
bool sizeIsLength(int descriptor, const struct stat& status);

/// Why a file read to its end cannot count as read whole: its end came before the size it
/// had when opened, or it is shorter `now` than the bytes read from it; or it was written over
/// without growing, its modification time moved and its size not, so that the bytes read may mix
/// its old text and its new. Nothing when none of these: a file that only grew, such as a log being
/// written, counts up to where its reading ended.
std::optional<ReadOutcome> changedWhileRead(const struct stat& now, const struct stat& opened,
                                            qint64 bytesRead);

/// Closes a descriptor when it goes.
class OpenDescriptor
{
public:
    explicit OpenDescriptor(int descriptor)
        : m_descriptor(descriptor)
    { }
    OpenDescriptor(OpenDescriptor&& other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1))
    { }
    ~OpenDescriptor();
    OpenDescriptor(const OpenDescriptor&) = delete;
    OpenDescriptor& operator=(const OpenDescriptor&) = delete;
    OpenDescriptor& operator=(OpenDescriptor&&) = delete;

    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace velmora
