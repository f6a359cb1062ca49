#include "text_reader.h"

#include "common/file_exists.h"
#include "common/long_path.h"
#include "common/path_bytes.h"
#include "counting/simd/simd_kernels.h"
#include "counting/text/text_encoding.h"
#include "counting/text/utf16_block_to_utf8.h"
#include "counting/text/utf16_to_utf8.h"
#include "file_reads.h"
#include "io_thread.h"
#include "page_aligned.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmora {

namespace {

/// From this many blocks on a regular file is read ahead on an IoThread, while its blocks
/// before are counted; a smaller one is read where it is counted, without a thread's hand-overs.
constexpr qint64 readAheadFromBlocks = 4;

/// How many blocks are read ahead at most: enough that the count never waits for a read,
/// few enough that they stay in the processor's cache until it comes to them.
constexpr std::size_t readAheadBlocks = 4;

constexpr std::string_view emptyFileText("empty file");

/// Passes 8-bit text through and converts 16-bit text, once the first bytes have decided.
class TextDecoder
{
public:
    TextDecoder(TextConsumer& consumer, BinaryFiles binaryFiles)
        : m_consumer(consumer)
        , m_binaryFiles(binaryFiles)
    { }

    /// Takes 16-bit text from here on without looking for its mark, which a reader that
    /// converts blocks as it reads them has found and skips.
    void startWith(const EncodingMark& mark)
    {
        m_mark = mark;
        m_converter.emplace(mark.encoding, chosenSimdKernels());
    }

    /// Takes a block converted on its own: its edges go through the converter that runs
    /// through the text, its middle is delivered as it is. False when the consumer wants no
    /// more.
    bool decodeConverted(const Utf16Block& block)
    {
        if (!deliver(block.head, false))
            return false;
        if (!block.utf8.empty() && !m_consumer.consumeText(block.utf8))
            return false;
        return deliver(block.tail, false);
    }

    /// Whether decode() refused the text as binary.
    bool refusedAsBinary() const { return m_refusedAsBinary; }

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
                m_converter.emplace(m_mark->encoding, chosenSimdKernels());
            else if (m_binaryFiles == BinaryFiles::PassOver
                     && (fromHead ? std::string_view(m_head) : bytes).find('\0')
                         != std::string_view::npos) {
                m_refusedAsBinary = true;
                return false;
            }
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
        const std::string_view utf8 = m_converter->convert(bytes);
        if (!utf8.empty() && !m_consumer.consumeText(utf8))
            return false;
        if (!atEnd)
            return true;
        const std::string_view last = m_converter->finish();
        return last.empty() || m_consumer.consumeText(last);
    }

    TextConsumer& m_consumer;
    const BinaryFiles m_binaryFiles;
    bool m_refusedAsBinary = false;
    std::optional<EncodingMark> m_mark;
    std::string m_head;
    std::optional<Utf16ToUtf8> m_converter;
};

/// Hands `bytes` to the decoder through `decode`; an outcome when the reading ends there.
template<typename Decode> std::optional<ReadOutcome> decodeWith(TextDecoder& decoder, Decode decode)
{
    try {
        if (!decode()) {
            return ReadOutcome { decoder.refusedAsBinary() ? ReadOutcome::Kind::Binary
                                                           : ReadOutcome::Kind::Stopped,
                                 {} };
        }
    } catch (const std::bad_alloc&) {
        return readFailure(qt_error_string(ENOMEM));
    }
    return std::nullopt;
}

std::optional<ReadOutcome> decodePiece(TextDecoder& decoder, std::string_view bytes, bool atEnd)
{
    return decodeWith(decoder, [&] { return decoder.decode(bytes, atEnd); });
}

/// Reads on to the end through `decoder`, a block at a time from `readBlock(into, size,
/// error)`, which gives the bytes it read, 0 at the end, or -1 and the cause in `error`.
/// `readAnything` tells whether bytes came before, so that only a file without any bytes
/// reads as "empty file", when the control asks for that line.
template<typename ReadBlock>
ReadOutcome readRest(ReadBlock readBlock, TextDecoder& decoder, const CountControl& control,
                     bool readAnything)
{
    const qint64 blockSize = control.readBlockSize;
    char* const block = threadReadBlock(std::size_t(blockSize));
    if (!block)
        return readFailure(qt_error_string(ENOMEM));
    for (;;) {
        if (control.stopRequested())
            return { ReadOutcome::Kind::Stopped, {} };
        QString error;
        const qint64 got = readBlock(block, blockSize, error);
        if (got < 0)
            return readFailure(error);
        control.addBytesDone(got);
        readAnything = readAnything || got > 0;
        const bool atEnd = got == 0;
        const std::string_view bytes
            = atEnd && !readAnything && control.zeroByteFile == ZeroByteFile::EmptyFileLine
            ? emptyFileText
            : std::string_view(block, std::size_t(got));
        if (std::optional<ReadOutcome> ended = decodePiece(decoder, bytes, atEnd))
            return *ended;
        if (atEnd)
            return { ReadOutcome::Kind::Read, {} };
    }
}

/// Reads from the descriptor where it stands, as readRest() wants it.
auto descriptorReads(int descriptor)
{
    return [descriptor](char* into, qint64 size, QString& error) -> qint64 {
        for (;;) {
            const ssize_t got = ::read(descriptor, into, std::size_t(size));
            if (got >= 0)
                return qint64(got);
            if (errno != EINTR) {
                error = qt_error_string(errno);
                return -1;
            }
        }
    };
}

/// Reads a file's blocks ahead of the reader, each into a buffer of its own that is read into
/// again once the reader has gone on to the next block. Each block is read at its own offset,
/// so that the reads may run on the IoThread or on a thread that would otherwise wait for it.
/// 16-bit text is converted to UTF-8 there too, each block on its own, so that the conversion
/// runs beside the count rather than before it.
class ReadAhead
{
public:
    struct Block
    {
        /// Shorter than a block at the end of the file.
        std::string_view bytes;
        /// The error number of a read that failed.
        int error = 0;
        /// The bytes converted, when the text is 16-bit.
        const Utf16Block* converted = nullptr;
    };

    /// Converts the blocks of a file that starts with `sixteenBitMark`, which no block
    /// delivers. Throws std::bad_alloc when there is no memory for the buffers,
    /// std::system_error when there is no thread.
    ReadAhead(int descriptor, IoThread& io, qint64 blockSize,
              std::optional<EncodingMark> sixteenBitMark)
        : m_descriptor(descriptor)
        , m_io(io)
        , m_blockSize(std::size_t(blockSize))
        , m_mark(sixteenBitMark)
    {
        for (Buffer& buffer : m_buffers) {
            buffer.bytes = allocatePageAligned(m_blockSize);
            if (!buffer.bytes)
                throw std::bad_alloc();
            if (m_mark)
                buffer.converter.emplace(m_mark->encoding, chosenSimdKernels());
        }
        const std::lock_guard lock(m_mutex);
        for (std::size_t index = 0; index < readAheadBlocks; ++index)
            readLater(index);
    }

    /// Waits for the reads under way; those not begun are not made.
    ~ReadAhead()
    {
        std::unique_lock lock(m_mutex);
        m_ending = true;
        m_changed.wait(lock, [this] { return m_readsPending == 0; });
    }

    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    /// The next block, once read; the block before is read into again from here on.
    Block next()
    {
        std::unique_lock lock(m_mutex);
        if (m_held) {
            m_buffers[*m_held].read = false;
            readLater(*m_held);
        }
        Buffer& buffer = m_buffers[m_next];
        // A read that has not begun is made here rather than waited for.
        m_io.waitRunningJobs(lock, m_changed, [&] { return buffer.read; });
        m_held = m_next;
        m_next = (m_next + 1) % readAheadBlocks;
        return { { buffer.bytes.get(), buffer.size },
                 buffer.error,
                 buffer.converter ? &buffer.converted : nullptr };
    }

private:
    struct Buffer
    {
        PageAlignedBytes bytes;
        std::size_t size = 0;
        int error = 0;
        bool read = false;
        std::optional<Utf16BlockToUtf8> converter;
        Utf16Block converted;
    };

    /// Asks for the buffer at `index` to be read into; under the lock.
    void readLater(std::size_t index)
    {
        try {
            const std::uint64_t offset = m_nextOffset;
            m_io.post([this, index, offset] { readInto(m_buffers[index], offset); },
                      IoThread::Where::Anywhere);
            m_nextOffset += m_blockSize;
            ++m_readsPending;
        } catch (const std::exception&) {
            // Only the constructor's first hand-over may fail to start the thread; it throws
            // on. Later ones can only lack memory, which the reader is told of as a failed read.
            if (m_readsPending == 0 && index == 0)
                throw;
            Buffer& buffer = m_buffers[index];
            buffer.size = 0;
            buffer.error = ENOMEM;
            buffer.read = true;
        }
    }

    /// Fills `buffer` with the block at `offset`, or with what there is up to the file's end.
    void readInto(Buffer& buffer, std::uint64_t offset)
    {
        std::size_t size = 0;
        int error = 0;
        if (!ending()) {
            while (size < m_blockSize) {
                const ssize_t got = ::pread(m_descriptor, buffer.bytes.get() + size,
                                            m_blockSize - size, off_t(offset + size));
                if (got > 0)
                    size += std::size_t(got);
                else if (got == 0)
                    break;
                else if (errno != EINTR) {
                    error = errno;
                    break;
                }
            }
            if (error == 0 && buffer.converter)
                error = convert(buffer, offset, size);
        }
        // Told under the lock: once the last read is told of, the reader may go at once.
        const std::lock_guard lock(m_mutex);
        buffer.size = size;
        buffer.error = error;
        buffer.read = true;
        --m_readsPending;
        m_changed.notify_all();
    }

    /// Converts the `size` bytes read into `buffer` from `offset`; an error number when the
    /// conversion has no memory.
    int convert(Buffer& buffer, std::uint64_t offset, std::size_t size)
    {
        const std::size_t markLength = m_mark->markLength;
        const std::size_t skipped
            = offset < markLength ? std::min(size, std::size_t(markLength - offset)) : 0;
        // Units start after the mark, on its parity.
        const bool startsInsideUnit = (offset + skipped - markLength) % 2 != 0;
        try {
            buffer.converted = buffer.converter->convert(
                { buffer.bytes.get() + skipped, size - skipped }, startsInsideUnit);
        } catch (const std::bad_alloc&) {
            return ENOMEM;
        }
        return 0;
    }

    bool ending()
    {
        const std::lock_guard lock(m_mutex);
        return m_ending;
    }

    const int m_descriptor;
    IoThread& m_io;
    const std::size_t m_blockSize;
    const std::optional<EncodingMark> m_mark;
    std::array<Buffer, readAheadBlocks> m_buffers;
    std::size_t m_next = 0;
    std::optional<std::size_t> m_held;
    std::uint64_t m_nextOffset = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_readsPending = 0;
    bool m_ending = false;
};

/// Hands the blocks of `reads` to `decoder` up to the first one short of a block, where the
/// file ended when it was read, and leaves `descriptor` there, with `bytesRead`; an outcome
/// when the reading ends.
std::optional<ReadOutcome> readAhead(ReadAhead& reads, int descriptor, TextDecoder& decoder,
                                     const CountControl& control, qint64& bytesRead)
{
    for (;;) {
        if (control.stopRequested())
            return ReadOutcome { ReadOutcome::Kind::Stopped, {} };
        const ReadAhead::Block block = reads.next();
        if (block.error != 0)
            return readFailure(qt_error_string(block.error));
        std::optional<ReadOutcome> ended = block.converted
            ? decodeWith(decoder, [&] { return decoder.decodeConverted(*block.converted); })
            : decodePiece(decoder, block.bytes, false);
        if (ended)
            return ended;
        bytesRead += qint64(block.bytes.size());
        control.addBytesDone(qint64(block.bytes.size()));
        if (block.bytes.size() < std::size_t(control.readBlockSize))
            break;
    }
    if (::lseek(descriptor, off_t(bytesRead), SEEK_SET) < 0)
        return readFailure(qt_error_string(errno));
    return std::nullopt;
}

/// The 16-bit mark that the file open at `descriptor` starts with, which lets its blocks be
/// converted as they are read ahead; nothing for 8-bit text, whose blocks are delivered as read,
/// or when the start cannot be read now (the reading meets that again).
std::optional<EncodingMark> sixteenBitMark(int descriptor)
{
    std::array<char, 2> first {};
    const ssize_t got = ::pread(descriptor, first.data(), first.size(), 0);
    if (got != ssize_t(first.size()))
        return std::nullopt;
    const std::optional<EncodingMark> mark
        = detectEncodingMark({ first.data(), first.size() }, false);
    if (!mark || mark->encoding == TextEncoding::EightBit)
        return std::nullopt;
    return mark;
}

} // namespace

ReadOutcome ReadWholeFile(const QString& path, TextConsumer& consumer, const CountControl& control)
{
    // Opened by its exact bytes: Qt would turn a name that is not UTF-8 into another name.
    // Only a failed open asks whether the file is there, to tell missing from unreadable as
    // the count always has; a file found costs no call more than its open and its fstat.
    const int opened = openLongPath(pathBytes(path), O_RDONLY | O_CLOEXEC);
    if (opened < 0) {
        const int cause = errno;
        if (!FileExists(path))
            return { ReadOutcome::Kind::Missing, {} };
        return readFailure(qt_error_string(cause));
    }
    const OpenDescriptor file(opened);
    struct stat status;
    const int cause = ::fstat(file.get(), &status) != 0 ? errno
        : S_ISDIR(status.st_mode)                       ? EISDIR
                                                        : 0;
    if (cause != 0)
        return readFailure(qt_error_string(cause));
    TextDecoder decoder(consumer, control.binaryFiles);
    // Only a regular file whose size is its length is read by its size and checked against
    // it; anything else is read as it comes, to its end.
    if (!S_ISREG(status.st_mode) || !sizeIsLength(file.get(), status))
        return readRest(descriptorReads(file.get()), decoder, control, false);
    qint64 bytesRead = 0;
    if (status.st_size >= readAheadFromBlocks * control.readBlockSize) {
        std::optional<IoThread> ownThread;
        std::optional<ReadAhead> reads;
        const std::optional<EncodingMark> mark = sixteenBitMark(file.get());
        try {
            reads.emplace(file.get(), control.ioThread ? *control.ioThread : ownThread.emplace(),
                          control.readBlockSize, mark);
        } catch (const std::exception&) {
            // No memory or no thread to read ahead with: the file is read here.
        }
        if (reads) {
            if (mark)
                decoder.startWith(*mark);
            if (std::optional<ReadOutcome> ended
                = readAhead(*reads, file.get(), decoder, control, bytesRead))
                return *ended;
        }
    }
    // A small file is read here, and so is what a large one gained after its reads ahead. Where
    // the bytes read reach the file's size, its size is looked at again rather than read for
    // nothing: the check after needs that look anyway, and it tells whether the file grew.
    std::optional<struct stat> atEnd;
    qint64 knownSize = status.st_size;
    const auto readsBySize = [&, reads = descriptorReads(file.get())](char* into, qint64 size,
                                                                      QString& error) -> qint64 {
        if (bytesRead >= knownSize) {
            struct stat now;
            if (::fstat(file.get(), &now) != 0) {
                error = qt_error_string(errno);
                return -1;
            }
            if (now.st_size <= bytesRead) {
                atEnd = now;
                return 0;
            }
            knownSize = now.st_size;
        }
        const qint64 got = reads(into, size, error);
        bytesRead += qMax(got, qint64(0));
        if (got == 0)
            atEnd.reset();
        return got;
    };
    const ReadOutcome outcome = readRest(readsBySize, decoder, control, bytesRead > 0);
    if (outcome.kind != ReadOutcome::Kind::Read)
        return outcome;
    if (!atEnd) {
        // The file ended before its size: it became shorter while it was read.
        atEnd.emplace();
        if (::fstat(file.get(), &*atEnd) != 0)
            return readFailure(qt_error_string(errno));
    }
    return changedWhileRead(*atEnd, status, bytesRead).value_or(outcome);
}

ReadOutcome readWholeDevice(QIODevice& device, TextConsumer& consumer, const CountControl& control)
{
    TextDecoder decoder(consumer, control.binaryFiles);
    const auto deviceReads = [&](char* into, qint64 size, QString& error) {
        const qint64 got = device.read(into, size);
        if (got < 0)
            error = device.errorString();
        return got;
    };
    return readRest(deviceReads, decoder, control, false);
}

} // namespace velmora
