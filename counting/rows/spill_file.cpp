#include "spill_file.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace velmora {

namespace {

// The mapping grows in steps this large, and at least doubles, so that it is replaced only
// a few dozen times however large the text gets; it costs address space, not memory.
constexpr std::uint64_t mapStep = std::uint64_t(64) << 20;
// Disk space is set aside this many buffers ahead of the writes (64 MiB with the default
// buffer), so that a test's buffer of a few bytes sets aside a few bytes.
constexpr std::uint64_t reserveBuffers = 16;
// One write() call never takes more than this (Linux stops near 2 GiB).
constexpr std::size_t largestWrite = std::size_t(1) << 30;

/// Cuts the file back to `size`, giving back the space of a write that did not complete; were
/// that to fail, the next write would overwrite those bytes anyway.
void cutBack(int descriptor, std::uint64_t size)
{
    while (::ftruncate(descriptor, off_t(size)) != 0 && errno == EINTR) { }
}

/// Writes all of `bytes` at `offset`: 0, or the error number, the file then cut back to
/// `offset` so that it holds whole appends only.
int writeAt(int descriptor, std::string_view bytes, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t taken
            = ::pwrite(descriptor, bytes.data() + done, std::min(bytes.size() - done, largestWrite),
                       off_t(offset + done));
        if (taken > 0) {
            done += std::size_t(taken);
        } else if (taken == 0 || errno != EINTR) {
            const int error = taken == 0 ? ENOSPC : errno;
            cutBack(descriptor, offset);
            return error;
        }
    }
    return 0;
}

/// A file in `folder` that has no name, or whose name is gone again at once where the file
/// system has no nameless files; -1 with errno set when the folder takes none.
int openNameless(const QByteArray& folder)
{
#ifdef O_TMPFILE
    const int nameless = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (nameless >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return nameless;
#endif
    QByteArray name = folder + "/velmora-results-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.constData());
    return named;
}

} // namespace

SpillFile::SpillFile(QStringList folders, std::size_t bufferBytes, Writes writes)
    : m_folders(std::move(folders))
    , m_bufferBytes(bufferBytes)
    , m_writes(writes)
{ }

SpillFile::SpillFile(SpillFile&& other) noexcept
    : m_bufferBytes(other.m_bufferBytes)
    , m_writes(other.m_writes)
{
    takeFrom(other);
}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept
{
    if (this != &other) {
        clear();
        takeFrom(other);
    }
    return *this;
}

SpillFile::~SpillFile()
{
    clear();
}

void SpillFile::takeFrom(SpillFile& other)
{
    // The writing thread works on `other` itself; it has to be done before anything moves.
    if (other.m_writer.joinable())
        other.m_writer.join();
    m_folders = std::move(other.m_folders);
    m_folder = std::move(other.m_folder);
    m_bufferBytes = other.m_bufferBytes;
    m_writes = other.m_writes;
    m_buffer = std::move(other.m_buffer);
    m_buffered = std::exchange(other.m_buffered, 0);
    m_writing = std::move(other.m_writing);
    m_writingBytes = std::exchange(other.m_writingBytes, 0);
    m_writeError = std::exchange(other.m_writeError, 0);
    m_descriptor = std::exchange(other.m_descriptor, -1);
    m_written = std::exchange(other.m_written, 0);
    m_reserved = std::exchange(other.m_reserved, 0);
    m_map = std::exchange(other.m_map, nullptr);
    m_mapSize = std::exchange(other.m_mapSize, 0);
    m_error = std::move(other.m_error);
}

QStringList SpillFile::temporaryFolders()
{
    QStringList folders;
    const QString chosen = qEnvironmentVariable("TMPDIR");
    if (!chosen.isEmpty())
        folders << chosen;
    for (const QString& fallback : { QStringLiteral("/var/tmp"), QStringLiteral("/tmp") }) {
        if (!folders.contains(fallback))
            folders << fallback;
    }
    return folders;
}

bool SpillFile::appendBeyondBuffer(std::string_view head, std::string_view tail)
{
    const std::size_t size = head.size() + tail.size();
    if (size > m_bufferBytes - m_buffered && !handOver())
        return false;
    if (size <= m_bufferBytes) {
        if (!m_buffer)
            m_buffer.reset(new char[m_bufferBytes]);
        // An empty view may have no bytes behind it, which memcpy may not be given.
        std::copy(head.begin(), head.end(), m_buffer.get() + m_buffered);
        std::copy(tail.begin(), tail.end(), m_buffer.get() + m_buffered + head.size());
        m_buffered += size;
        return true;
    }
    // Larger than a buffer: straight into the file, once everything before it is there.
    if (!collect())
        return false;
    if (m_descriptor < 0 && !openFile())
        return false;
    int error = writeOut(head, m_written);
    if (error == 0 && (error = writeOut(tail, m_written + head.size())) != 0) {
        // The head alone is no whole append; cutting it off gives the space set aside back.
        cutBack(m_descriptor, m_written);
        m_reserved = m_written;
    }
    if (error != 0)
        return failInFolder(m_folder, error);
    return adoptWritten(size);
}

int SpillFile::writeOut(std::string_view bytes, std::uint64_t offset)
{
    // Space set aside ahead of the writes, beyond the file's end: where each write has to
    // find room for itself (ext4), that costs several times the copy. Without the space for
    // a whole step, the write finds out for itself how much room there is.
    const std::uint64_t end = offset + bytes.size();
    if (end > m_reserved) {
        const std::uint64_t wanted = std::max(end, m_reserved + reserveBuffers * m_bufferBytes);
        if (::fallocate(m_descriptor, FALLOC_FL_KEEP_SIZE, off_t(m_reserved),
                        off_t(wanted - m_reserved))
            == 0) {
            m_reserved = wanted;
        }
    }
    const int error = writeAt(m_descriptor, bytes, offset);
    if (error != 0) // cutting the file back gave the space set aside back too
        m_reserved = std::min(m_reserved, offset);
    return error;
}

bool SpillFile::handOver()
{
    if (!collect())
        return false;
    if (m_buffered == 0)
        return true;
    if (m_descriptor < 0 && !openFile())
        return false;
    std::swap(m_buffer, m_writing);
    m_writingBytes = std::exchange(m_buffered, 0);
    if (m_writes == Writes::InPlace)
        return true; // collect() writes them
    try {
        m_writer = std::thread([this, bytes = std::string_view(m_writing.get(), m_writingBytes),
                                offset = m_written] { m_writeError = writeOut(bytes, offset); });
    } catch (const std::system_error&) {
        // No thread to spare: collect() writes these bytes itself.
    }
    return true;
}

bool SpillFile::collect()
{
    if (m_writingBytes == 0)
        return true;
    if (m_writer.joinable())
        m_writer.join();
    else // no thread wrote them, or its write failed: the bytes are still here to write
        m_writeError = writeOut({ m_writing.get(), m_writingBytes }, m_written);
    if (m_writeError != 0)
        return failInFolder(m_folder, m_writeError);
    if (!adoptWritten(m_writingBytes))
        return false;
    m_writingBytes = 0;
    return true;
}

bool SpillFile::adoptWritten(std::size_t bytes)
{
    if (!mapThrough(m_written + bytes)) {
        cutBack(m_descriptor, m_written);
        m_reserved = m_written;
        return false;
    }
    m_written += bytes;
    return true;
}

bool SpillFile::openFile()
{
    int firstError = 0;
    for (const QString& folder : std::as_const(m_folders)) {
        m_descriptor = openNameless(QFile::encodeName(folder));
        if (m_descriptor >= 0) {
            m_folder = folder;
            return true;
        }
        if (firstError == 0)
            firstError = errno;
    }
    // The folder the user chose, or else the first one tried, is the one to tell of.
    return failInFolder(m_folders.value(0), firstError != 0 ? firstError : ENOENT);
}

bool SpillFile::mapThrough(std::uint64_t end)
{
    if (end <= m_mapSize)
        return true;
    const std::uint64_t wanted
        = std::max((end + mapStep - 1) / mapStep * mapStep, 2 * std::uint64_t(m_mapSize));
    if (wanted > std::numeric_limits<std::size_t>::max())
        return fail(qt_error_string(ENOMEM));
    // Read-only and shared: the pages are the file's own, so the system can drop them and
    // read them again. Only bytes already written are ever read, never the part past the
    // file's end that the mapping covers ahead of time.
    void* map = ::mmap(nullptr, std::size_t(wanted), PROT_READ, MAP_SHARED, m_descriptor, 0);
    if (map == MAP_FAILED)
        return fail(qt_error_string(errno));
    if (m_map)
        ::munmap(const_cast<char*>(m_map), m_mapSize);
    m_map = static_cast<const char*>(map);
    m_mapSize = std::size_t(wanted);
    return true;
}

bool SpillFile::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool SpillFile::failInFolder(const QString& folder, int error)
{
    const bool full = error == ENOSPC || error == EDQUOT;
    return fail(QCoreApplication::translate(
                    "SpillFile",
                    full ? "temporary folder %1: %2 (set TMPDIR to a folder with more room)"
                         : "temporary folder %1: %2 (set TMPDIR to a folder that can be written)")
                    .arg(folder, qt_error_string(error)));
}

void SpillFile::clear()
{
    if (m_writer.joinable())
        m_writer.join();
    if (m_map)
        ::munmap(const_cast<char*>(m_map), m_mapSize);
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_buffer.reset();
    m_buffered = 0;
    m_writing.reset();
    m_writingBytes = 0;
    m_writeError = 0;
    m_descriptor = -1;
    m_written = 0;
    m_reserved = 0;
    m_map = nullptr;
    m_mapSize = 0;
    m_error.clear();
}

} // namespace velmora
