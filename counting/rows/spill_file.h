#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>

namespace velmora {

/// Text that is appended once and then read many times, kept in a temporary file that has no
/// name from the start and is mapped read-only: the system writes it out and drops it from
/// memory under pressure, where the program's own memory would have to stay. The newest bytes
/// fill a buffer of `bufferBytes`; a full buffer is written on a thread of its own while the
/// next one fills, so the copy into the file costs the appending thread nothing. A text
/// smaller than the two buffers never reaches the disk.
class SpillFile
{
public:
    static constexpr std::size_t defaultBufferBytes = std::size_t(4) << 20;

    /// Where a full buffer is written: on a thread of its own, or by the appending thread when
    /// the next buffer is full, as it is when no thread can be had. Tests that spill every few
    /// bytes write in place, since a thread per buffer would cost more than their checks.
    enum class Writes { Behind, InPlace };

    /// The file goes in the first of `folders` that takes one.
    explicit SpillFile(QStringList folders = temporaryFolders(),
                       std::size_t bufferBytes = defaultBufferBytes,
                       Writes writes = Writes::Behind);
    SpillFile(const QString& folder, std::size_t bufferBytes, Writes writes = Writes::Behind)
        : SpillFile(QStringList { folder }, bufferBytes, writes)
    { }
    SpillFile(SpillFile&& other) noexcept;
    SpillFile& operator=(SpillFile&& other) noexcept;
    ~SpillFile();

    /// Where the file may go, in order: $TMPDIR when set, then /var/tmp, which lies on a
    /// disk, where /tmp is often a memory file system that would keep the text in memory all
    /// the same, then /tmp. A folder that cannot take a file is passed over for the next.
    static QStringList temporaryFolders();

    /// Appends all of `bytes`, or nothing and false, with errorString() saying why (a full
    /// disk, no folder where a file can be made), naming the temporary folder where it failed. The
    /// size stays as it was then; the bytes appended before stay readable, and a later append()
    /// tries the file again.
    bool append(std::string_view bytes)
    {
        if (!m_buffer || bytes.size() > m_bufferBytes - m_buffered)
            return appendBeyondBuffer(bytes, {});
        std::memcpy(m_buffer.get() + m_buffered, bytes.data(), bytes.size());
        m_buffered += bytes.size();
        return true;
    }
    /// Appends `head` and then `tail` as one append(): at() reaches both from the head's
    /// start, without the caller joining them first.
    bool append(std::string_view head, std::string_view tail)
    {
        if (!m_buffer || head.size() + tail.size() > m_bufferBytes - m_buffered)
            return appendBeyondBuffer(head, tail);
        std::memcpy(m_buffer.get() + m_buffered, head.data(), head.size());
        std::memcpy(m_buffer.get() + m_buffered + head.size(), tail.data(), tail.size());
        m_buffered += head.size() + tail.size();
        return true;
    }
    std::uint64_t size() const { return m_written + m_writingBytes + m_buffered; }
    /// The text from `offset` on, up to the end of what one append() added there. Valid
    /// until the next append() or clear(); reading from several threads at once is safe
    /// while nothing is appended.
    const char* at(std::uint64_t offset) const
    {
        if (offset < m_written)
            return m_map + offset;
        offset -= m_written;
        return offset < m_writingBytes ? m_writing.get() + offset
                                       : m_buffer.get() + (offset - m_writingBytes);
    }
    QString errorString() const { return m_error; }

    /// Makes at(0) reach every byte appended so far, a text appended piece by piece included:
    /// they are written out, unless they all still fit the buffer. False with errorString()
    /// when they cannot be written.
    bool settle() { return (m_written == 0 && m_writingBytes == 0) || (handOver() && collect()); }

    /// Forgets the text and gives back the memory and the disk space.
    void clear();

private:
    bool appendBeyondBuffer(std::string_view head, std::string_view tail);
    bool handOver();
    bool collect();
    /// Writes `bytes` at `offset`, the file's end: 0, or the error number with the file
    /// as it was. Runs on m_writer, or on the appending thread when m_writer is not running.
    int writeOut(std::string_view bytes, std::uint64_t offset);
    /// Takes the `bytes` just written after the file's end into the file and its mapping.
    bool adoptWritten(std::size_t bytes);
    bool openFile();
    bool mapThrough(std::uint64_t end);
    bool fail(const QString& error);
    bool failInFolder(const QString& folder, int error);
    void takeFrom(SpillFile& other);

    QStringList m_folders;
    /// The folder the file was made in.
    QString m_folder;
    std::size_t m_bufferBytes;
    Writes m_writes;
    /// The newest bytes, after those of m_writing.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_buffered = 0;
    /// Bytes handed to m_writer to follow the file's, kept until they are known to be there.
    std::unique_ptr<char[]> m_writing;
    std::size_t m_writingBytes = 0;
    std::thread m_writer;
    /// How m_writer's write ended: 0, or the error number; read once it has been joined.
    int m_writeError = 0;
    int m_descriptor = -1;
    /// Bytes in the file, every one of them inside the mapping.
    std::uint64_t m_written = 0;
    /// Where the disk space set aside for the file ends.
    std::uint64_t m_reserved = 0;
    const char* m_map = nullptr;
    std::size_t m_mapSize = 0;
    QString m_error;
};

} // namespace velmora
