#pragma once

#include "counting/input/count_control.h"
#include "counting/match/line_filter.h"

#include <QString>

#include <cstddef>

class QIODevice;

namespace velmora {

class LineMatcher;
class LineRanges;
class RowSink;

/// What came of counting one file. Rows already handed to the sink stay there whatever the
/// outcome.
struct FileCountOutcome
{
    enum class Kind {
        Counted, ///< every line was examined
        Missing, ///< the path does not exist: skipped, nothing to report
        ReadFailed, ///< the file could not be opened or read; `description` says why
        RowFailed, ///< a row could not be kept; the rest of the file was skipped
        Stopped, ///< the control asked to stop
        Binary ///< passed over for a NUL in its first block, as the control asked
    };
    Kind kind = Kind::Counted;
    QString description;
};

/// Reads the file at `path`, and hands every line that passes `filter` to `sink`.
FileCountOutcome countFile(const QString& path, const LineFilter& filter, RowSink& sink,
                           const CountControl& control = {});

/// The same with a filter made ready once for a whole run of files.
FileCountOutcome countFile(const QString& path, LineMatcher& matcher, RowSink& sink,
                           const CountControl& control = {});

/// The same for range `range` of a file cut into ranges of whole lines, which several threads
/// may count at once. Line numbers start at 1 in each range.
FileCountOutcome countRange(const LineRanges& ranges, std::size_t range, LineMatcher& matcher,
                            RowSink& sink, const CountControl& control = {});

/// The same for a device that is already open, such as standard input.
FileCountOutcome countDevice(QIODevice& device, LineMatcher& matcher, RowSink& sink,
                             const CountControl& control = {});

} // namespace velmora
