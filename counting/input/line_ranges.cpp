#include "line_ranges.h"

#include "common/long_path.h"
#include "common/path_bytes.h"
#include "count_control.h"
#include "counting/simd/simd_kernels.h"
#include "counting/text/utf16_to_utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace velmora {

namespace {

/// A range's reads start this far before its cut at most, on a boundary of the processor's
/// cache lines as the page cache's pages are: the kernel copies whole lines then.
constexpr qint64 readAlignment = 64;

/// How far past its end's cut a range reads at first to find the line feed that ends it: most
/// lines end well within it. Each further read looks twice as far, up to a block.
constexpr qint64 firstProbeBytes = 4096;

/// The bytes of the longest byte-order mark, UTF-8's.
constexpr qint64 maxMarkLength = 3;

/// Fills `into` with up to `size` bytes from `offset`; fewer only at the file's end. -1 and
/// the cause in `error` when a read fails.
qint64 readAt(int descriptor, char* into, qint64 size, qint64 offset, int& error)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got
            = ::pread(descriptor, into + done, std::size_t(size - done), off_t(offset + done));
        if (got > 0) {
            done += got;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
    return done;
}

/// Where the first line feed at or after file offset `from` stands in `bytes`, which start at
/// file offset `at`; -1 when there is none. In 16-bit text only a whole unit on a unit's place
/// counts, and units start right after the mark.
qint64 findLineFeed(std::string_view bytes, qint64 at, qint64 from, const EncodingMark& mark)
{
    if (mark.encoding == TextEncoding::EightBit) {
        if (from - at >= qint64(bytes.size()))
            return -1;
        const void* feed
            = std::memchr(bytes.data() + (from - at), '\n', bytes.size() - std::size_t(from - at));
        return feed ? at + (static_cast<const char*>(feed) - bytes.data()) : -1;
    }
    const bool littleEndian = mark.encoding == TextEncoding::Utf16LittleEndian;
    qint64 unit = from + (from - qint64(mark.markLength)) % 2;
    for (; unit + 2 <= at + qint64(bytes.size()); unit += 2) {
        const char first = bytes[std::size_t(unit - at)];
        const char second = bytes[std::size_t(unit - at + 1)];
        if (littleEndian ? first == '\n' && second == '\0' : first == '\0' && second == '\n')
            return unit;
    }
    return -1;
}

/// Hands a range's bytes on as text: 8-bit as they are, 16-bit converted.
class RangeText
{
public:
    RangeText(TextConsumer& consumer, const EncodingMark& mark)
        : m_consumer(consumer)
    {
        if (mark.encoding != TextEncoding::EightBit)
            m_converter.emplace(mark.encoding, chosenSimdKernels());
    }

    /// False when the consumer wants no more.
    bool deliver(std::string_view bytes)
    {
        const std::string_view text = m_converter ? m_converter->convert(bytes) : bytes;
        return text.empty() || m_consumer.consumeText(text);
    }

    bool finish()
    {
        const std::string_view last = m_converter ? m_converter->finish() : std::string_view();
        return last.empty() || m_consumer.consumeText(last);
    }

private:
    TextConsumer& m_consumer;
    std::optional<Utf16ToUtf8> m_converter;
};

} // namespace

LineRanges::LineRanges(OpenDescriptor&& file, const struct stat& opened, EncodingMark mark,
                       qint64 rangeBytes)
    : m_file(std::move(file))
    , m_opened(opened)
    , m_mark(mark)
    , m_rangeBytes(rangeBytes)
    , m_count(std::size_t((opened.st_size + rangeBytes - 1) / rangeBytes))
{ }

std::unique_ptr<LineRanges> LineRanges::open(const QString& path, qint64 rangeBytes,
                                             const CountControl& control)
{
    OpenDescriptor file(openLongPath(pathBytes(path), O_RDONLY | O_CLOEXEC));
    struct stat status;
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || !sizeIsLength(file.get(), status) || status.st_size < 2 * rangeBytes)
        return nullptr;
    // The first block decides as the whole file's reading would: its mark, and whether a NUL
    // makes it a binary file to pass over. Two ranges hold at least the longest mark.
    const qint64 firstSize
        = std::max<qint64>(std::min<qint64>(control.readBlockSize, status.st_size), maxMarkLength);
    char* const first = threadReadBlock(std::size_t(firstSize));
    int error = 0;
    if (!first || readAt(file.get(), first, firstSize, 0, error) != firstSize)
        return nullptr;
    const std::string_view firstBytes(first, std::size_t(firstSize));
    const std::optional<EncodingMark> mark = detectEncodingMark(firstBytes, false);
    if (!mark)
        return nullptr;
    if (mark->encoding == TextEncoding::EightBit && control.binaryFiles == BinaryFiles::PassOver
        && firstBytes.find('\0') != std::string_view::npos)
        return nullptr;
    return std::unique_ptr<LineRanges>(new LineRanges(std::move(file), status, *mark, rangeBytes));
}

ReadOutcome LineRanges::read(std::size_t range, TextConsumer& consumer,
                             const CountControl& control) const
{
    const qint64 unit = m_mark.encoding == TextEncoding::EightBit ? 1 : 2;
    const bool last = range + 1 == m_count;
    // A line feed from `startFrom` on starts the range, the first one from `endFrom` on ends it;
    // the first range starts after the mark, the last one ends where the file does.
    const qint64 startFrom = qint64(range) * m_rangeBytes - unit;
    const qint64 endFrom = last ? -1 : qint64(range + 1) * m_rangeBytes - unit;
    // Blocks of whole units, so that no unit is split between two.
    const qint64 blockSize = std::max<qint64>(control.readBlockSize / 2 * 2, 2);
    char* const block = threadReadBlock(std::size_t(blockSize));
    if (!block)
        return readFailure(qt_error_string(ENOMEM));
    qint64 offset = range == 0 ? 0 : startFrom - startFrom % readAlignment;
    // Where the text still to deliver starts; -1 until the range's start is found.
    qint64 deliverFrom = range == 0 ? qint64(m_mark.markLength) : -1;
    control.addBytesDone(range == 0 ? qint64(m_mark.markLength) : 0);
    qint64 probe = firstProbeBytes;
    try {
        RangeText text(consumer, m_mark);
        for (;;) {
            if (control.stopRequested())
                return { ReadOutcome::Kind::Stopped, {} };
            qint64 size = blockSize;
            if (endFrom >= 0) {
                // Past the end's cut only as far as its line feed is likely to be.
                const qint64 ahead = offset < endFrom ? endFrom - offset + firstProbeBytes : probe;
                size = std::min(blockSize, (ahead + 1) / 2 * 2);
                probe = offset < endFrom ? probe : std::min(probe * 2, blockSize);
            }
            int error = 0;
            const qint64 got = readAt(m_file.get(), block, size, offset, error);
            if (got < 0)
                return readFailure(qt_error_string(error));
            const std::string_view bytes(block, std::size_t(got));
            const qint64 end = offset + got;
            const bool atEnd = got < size;
            if (atEnd && !last && end < m_opened.st_size)
                return readFailure(
                    QStringLiteral("The file became shorter while it was being read"));
            if (deliverFrom < 0) {
                const qint64 feed
                    = findLineFeed(bytes, offset, std::max(startFrom, offset), m_mark);
                const bool pastSearch
                    = endFrom >= 0 && (feed >= endFrom || (feed < 0 && end - unit >= endFrom));
                if (pastSearch)
                    return { ReadOutcome::Kind::Read, {} };
                if (feed >= 0)
                    deliverFrom = feed + unit;
            }
            qint64 deliverTo = end;
            bool ends = atEnd;
            if (deliverFrom >= 0 && endFrom >= 0 && end > endFrom) {
                const qint64 feed = findLineFeed(bytes, offset, std::max(endFrom, offset), m_mark);
                if (feed >= 0) {
                    deliverTo = feed + unit;
                    ends = true;
                }
            }
            if (deliverFrom >= 0 && deliverTo > deliverFrom) {
                if (!text.deliver(bytes.substr(std::size_t(deliverFrom - offset),
                                               std::size_t(deliverTo - deliverFrom))))
                    return { ReadOutcome::Kind::Stopped, {} };
                control.addBytesDone(deliverTo - deliverFrom);
                deliverFrom = deliverTo;
            }
            if (ends) {
                if (last)
                    m_end.store(end, std::memory_order_release);
                if (deliverFrom >= 0 && !text.finish())
                    return { ReadOutcome::Kind::Stopped, {} };
                return { ReadOutcome::Kind::Read, {} };
            }
            offset = end;
        }
    } catch (const std::bad_alloc&) {
        return readFailure(qt_error_string(ENOMEM));
    }
}

std::optional<ReadOutcome> LineRanges::changedWhileRead() const
{
    struct stat now;
    if (::fstat(m_file.get(), &now) != 0)
        return readFailure(qt_error_string(errno));
    return velmora::changedWhileRead(now, m_opened, m_end.load(std::memory_order_acquire));
}

} // namespace velmora
