#include "text_reader.h"

#include "common/file_exists.h"
#include "common/path_bytes.h"
#include "guarded_mapping.h"
#include "page_aligned.h"
#include "text_encoding.h"
#include "utf16_to_utf8.h"

#include <QFile>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

/// Large enough that system calls and the start and end of each block's counting cost
/// nothing worth measuring, small enough that a block is still in the cache when the counter
/// reads it: 256 KiB and 2 MiB both cost more.
constexpr qint64 blockSize = 1024 * 1024;

/// How much of a mapped file goes to the consumer at a time: the stop and the progress are
/// looked at once per piece.
constexpr std::size_t mappedPieceSize = std::size_t(4) << 20;

constexpr std::string_view emptyFileText("empty file");

/// Passes 8-bit text through and converts 16-bit text, once the first bytes have decided.
class TextDecoder
{
public:
    explicit TextDecoder(TextConsumer& consumer)
        : m_consumer(consumer)
    { }

    /// False when the consumer wants no more.
    bool decode(std::string_view bytes, bool atEnd)
    {
        if (!m_mark) {
            // The first bytes mostly decide at once; only a few bytes that may still become
            // a mark are kept until more come.
            const bool fromHead = !m_head.empty();
            if (fromHead)
                m_head.append(bytes);
            m_mark = detectEncodingMark(fromHead ? std::string_view(m_head) : bytes, atEnd);
            if (!m_mark) {
                if (!fromHead)
                    m_head.assign(bytes);
                return true;
            }
            if (m_mark->encoding != TextEncoding::EightBit)
                m_converter.emplace(m_mark->encoding);
            if (!fromHead)
                return deliver(bytes.substr(m_mark->markLength), atEnd);
            const std::string head = std::exchange(m_head, {});
            return deliver(std::string_view(head).substr(m_mark->markLength), atEnd);
        }
        return deliver(bytes, atEnd);
    }

private:
    bool deliver(std::string_view bytes, bool atEnd)
    {
        if (!m_converter)
            return bytes.empty() || m_consumer.consumeText(bytes);
        m_utf8.clear();
        m_converter->convert(bytes, m_utf8);
        if (atEnd)
            m_converter->finish(m_utf8);
        return m_utf8.empty() || m_consumer.consumeText(m_utf8);
    }

    TextConsumer& m_consumer;
    std::optional<EncodingMark> m_mark;
    std::string m_head;
    std::optional<Utf16ToUtf8> m_converter;
    std::string m_utf8;
};

ReadOutcome failure(const QString& description)
{
    return { ReadOutcome::Kind::Failed, description };
}

/// Hands `bytes` to the decoder; an outcome when the reading ends there.
std::optional<ReadOutcome> decodePiece(TextDecoder& decoder, std::string_view bytes, bool atEnd)
{
    try {
        if (!decoder.decode(bytes, atEnd))
            return ReadOutcome { ReadOutcome::Kind::Stopped, {} };
    } catch (const std::bad_alloc&) {
        return failure(qt_error_string(ENOMEM));
    }
    return std::nullopt;
}

/// Reads `device` from where it stands to its end, through `decoder`. `readAnything` tells
/// whether bytes came before, so that only a file without any bytes reads as "empty file".
ReadOutcome readRest(QIODevice& device, TextDecoder& decoder, const CountControl& control,
                     bool readAnything)
{
    const PageAlignedBytes block = allocatePageAligned(blockSize);
    if (!block)
        return failure(qt_error_string(ENOMEM));
    for (;;) {
        if (control.stopRequested())
            return { ReadOutcome::Kind::Stopped, {} };
        const qint64 got = device.read(block.get(), blockSize);
        if (got < 0)
            return failure(device.errorString());
        control.addBytesDone(got);
        readAnything = readAnything || got > 0;
        const bool atEnd = got == 0;
        const std::string_view bytes = atEnd && !readAnything
            ? emptyFileText
            : std::string_view(block.get(), std::size_t(got));
        if (std::optional<ReadOutcome> ended = decodePiece(decoder, bytes, atEnd))
            return *ended;
        if (atEnd)
            return { ReadOutcome::Kind::Read, {} };
    }
}

/// Why a mapped file cannot count as read whole when it is shorter now than when it was mapped
/// (or its size cannot be told); nothing when it is as long as it was.
std::optional<ReadOutcome> shrunk(const QFile& file, std::size_t mappedSize)
{
    struct stat status;
    if (::fstat(file.handle(), &status) != 0)
        return failure(qt_error_string(errno));
    if (std::uint64_t(status.st_size) < mappedSize)
        return failure(QStringLiteral("The file became shorter while it was being read"));
    return std::nullopt;
}

/// Delivers the mapped bytes of `file` without copying them, then reads on from the end of
/// the mapping, where a file that grew meanwhile has more.
ReadOutcome readMapped(GuardedMapping& mapping, QFile& file, const CountControl& control,
                       TextDecoder& decoder)
{
    const std::string_view bytes = mapping.bytes();
    for (std::size_t at = 0; at < bytes.size(); at += mappedPieceSize) {
        if (control.stopRequested())
            return { ReadOutcome::Kind::Stopped, {} };
        const std::string_view piece = bytes.substr(at, mappedPieceSize);
        mapping.prefetch(at + mappedPieceSize, mappedPieceSize);
        if (std::optional<ReadOutcome> ended = decodePiece(decoder, piece, false))
            return *ended;
        control.addBytesDone(qint64(piece.size()));
        // Zeros stand where a page could not be read; the lines before them were the file's.
        if (mapping.cutShort())
            return shrunk(file, bytes.size()).value_or(failure(qt_error_string(EIO)));
        // The consumer keeps nothing of a piece, as with a block that is read over.
        mapping.release(at + piece.size());
    }
    // A cut within the last page reads as zeros without any fault.
    if (std::optional<ReadOutcome> shorter = shrunk(file, bytes.size()))
        return *shorter;
    if (!file.seek(qint64(bytes.size())))
        return failure(file.errorString());
    return readRest(file, decoder, control, true);
}

} // namespace

ReadOutcome ReadWholeFile(const QString& path, TextConsumer& consumer, const CountControl& control)
{
    if (!FileExists(path))
        return { ReadOutcome::Kind::Missing, {} };
    // Opened by its exact bytes: Qt would turn a name that is not UTF-8 into another name.
    const int descriptor = ::open(pathBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return failure(qt_error_string(errno));
    struct stat status;
    const int cause = ::fstat(descriptor, &status) != 0 ? errno
        : S_ISDIR(status.st_mode)                       ? EISDIR
                                                        : 0;
    if (cause != 0) {
        ::close(descriptor);
        return failure(qt_error_string(cause));
    }
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return failure(file.errorString());
    }
    // Only a regular file has the size it says; anything else is read as it comes.
    if (S_ISREG(status.st_mode) && status.st_size > 0
        && std::uint64_t(status.st_size) <= std::numeric_limits<std::size_t>::max()) {
        GuardedMapping mapping(descriptor, std::size_t(status.st_size));
        if (mapping.mapped()) {
            TextDecoder decoder(consumer);
            return readMapped(mapping, file, control, decoder);
        }
    }
    return readWholeDevice(file, consumer, control);
}

ReadOutcome readWholeDevice(QIODevice& device, TextConsumer& consumer, const CountControl& control)
{
    TextDecoder decoder(consumer);
    return readRest(device, decoder, control, false);
}

} // namespace velmora
