#pragma once

#include "counting/text/text_encoding.h"
#include "file_reads.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <memory>
#include <sys/stat.h>

namespace velmora {

struct CountControl;
class TextConsumer;

/// A large file cut into ranges of whole lines, so that several threads can each read and count
/// one at once. The cuts fall every `rangeBytes` bytes, each moved on to just after the first
/// line feed at or after the byte before it (the unit before, in 16-bit text); range k holds the
/// text from cut k to cut k + 1, and the first range starts after the mark. Read in order, the
/// ranges deliver the file's text exactly as ReadWholeFile does, so the rows of range after range
/// are the file's rows; only their line numbers start afresh in each range.
class LineRanges
{
public:
    /// The ranges of the file at `path` when it can be cut: a regular file whose size is its
    /// length and holds at least two ranges, and that the control would not pass over as binary.
    /// Null otherwise, and when it cannot be opened: read whole, it tells what is wrong with it.
    /// `rangeBytes`: even, at least 4.
    static std::unique_ptr<LineRanges> open(const QString& path, qint64 rangeBytes,
                                            const CountControl& control);

    std::size_t count() const { return m_count; }

    /// Delivers the text of range `range` to `consumer`; ranges may be read on several threads
    /// at once. Read reports the range read to its end.
    ReadOutcome read(std::size_t range, TextConsumer& consumer, const CountControl& control) const;

    /// Once every range has been read: why the file cannot count as read whole, as
    /// ReadWholeFile tells it, or nothing.
    std::optional<ReadOutcome> changedWhileRead() const;

private:
    LineRanges(OpenDescriptor&& file, const struct stat& opened, EncodingMark mark,
               qint64 rangeBytes);

    const OpenDescriptor m_file;
    const struct stat m_opened;
    const EncodingMark m_mark;
    const qint64 m_rangeBytes;
    const std::size_t m_count;
    /// Where the last range found the file's end.
    mutable std::atomic<qint64> m_end { -1 };
};

} // namespace velmora
