#include "file_reads.h"

#include "page_aligned.h"

#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>

namespace velmora {

namespace {

bool sameTime(const struct timespec& one, const struct timespec& other)
{
    return one.tv_sec == other.tv_sec && one.tv_nsec == other.tv_nsec;
}

} // namespace

ReadOutcome readFailure(const QString& description)
{
    return { ReadOutcome::Kind::Failed, description };
}

char* threadReadBlock(std::size_t size)
{
    thread_local PageAlignedBytes block;
    thread_local std::size_t blockSize = 0;
    if (blockSize < size) {
        block = allocatePageAligned(size);
        blockSize = block ? size : 0;
    }
    return block.get();
}

bool sizeIsLength(int descriptor, const struct stat& status)
{
    if (status.st_size == 0)
        return false;
    // A whole tree lies mostly on one file system: it is asked once per thread, not per file.
    thread_local std::optional<std::pair<dev_t, bool>> lastAsked;
    if (lastAsked && lastAsked->first == status.st_dev)
        return lastAsked->second;
    struct statfs fileSystem;
    if (::fstatfs(descriptor, &fileSystem) != 0)
        return true;
    bool trusted = true;
    switch (fileSystem.f_type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
        trusted = false;
        break;
    default:
        break;
    }
    lastAsked.emplace(status.st_dev, trusted);
    return trusted;
}

std::optional<ReadOutcome> changedWhileRead(const struct stat& now, const struct stat& opened,
                                            qint64 bytesRead)
{
    if (bytesRead < opened.st_size || now.st_size < bytesRead)
        return readFailure(QStringLiteral("The file became shorter while it was being read"));
    if (!sameTime(now.st_mtim, opened.st_mtim) && now.st_size <= opened.st_size)
        return readFailure(QStringLiteral("The file changed while it was being read"));
    return std::nullopt;
}

OpenDescriptor::~OpenDescriptor()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

} // namespace velmora
