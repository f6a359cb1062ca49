#include "count_inputs.h"

#include "common/long_path.h"
#include "common/path_bytes.h"
#include "counting/input/line_ranges.h"
#include "counting/match/line_matcher.h"
#include "counting/output/results_writer.h"
#include "counting/scan/count_file.h"
#include "file_row_order.h"
#include "file_row_stages.h"
#include "input_files.h"
#include "interruption.h"
#include "packed_rows.h"
#include "progress_line.h"
#include "row_pipeline.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velmora {

namespace {

/// Rows go from a counting thread to the output's in pieces of this many bytes: few enough
/// hand-overs to cost nothing, small enough to stay in the cache.
constexpr std::size_t rowPieceBytes = 64 * 1024;

/// The rows of files counted ahead of the head that may wait in memory before their threads
/// wait too.
constexpr std::size_t waitingRowBytes = 16 * 1024 * 1024;

/// A single large file is cut into ranges of about this many bytes, counted on several threads
/// at once: small enough that the rows of a range counted ahead are still in the cache when
/// their turn comes to be written.
constexpr qint64 rangeBytes = 4 * 1024 * 1024;

/// A range's rows are handed over in pieces of this many bytes: a file's millions of rows would
/// take many more hand-overs, and writes, in pieces of rowPieceBytes.
constexpr std::size_t rangePieceBytes = 512 * 1024;

/// A single file is cut into ranges only with this many threads or more: two counting threads
/// and the output's, each with a core of its own. On two cores the hand-overs and the writes from
/// another core's cache cost more than the second counting thread gains; a single file's count
/// then keeps one core and leaves the reads ahead and the writes to the other.
constexpr unsigned leastThreadsForRanges = 3;

/// The file standard output appends to, when it is a regular file: counting it would read the
/// rows back and feed them to itself without end.
std::optional<struct stat> standardOutputFile()
{
    struct stat output;
    if (::fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode))
        return std::nullopt;
    return output;
}

/// Why `path` could not be found: a link that leads round in a loop is no missing file.
int whyMissing(const QString& path)
{
    struct stat status;
    return statLongPath(pathBytes(path), &status) != 0 ? errno : ENOENT;
}

/// Counts the inputs one by one on the calling thread, or on several threads with the rows
/// put back in order; the same messages and outcome either way.
class InputCounter
{
public:
    InputCounter(const InputFiles& inputs, const InputReading& reading, const LineFilter& filter,
                 RowPipeline& rows, ResultsWriter& writer, CountProgress& progress,
                 bool toStandardOutput, const Complaint& complain)
        : m_inputs(inputs)
        , m_filter(filter)
        , m_matcher(filter)
        , m_rows(rows)
        , m_writer(writer)
        , m_progress(progress)
        , m_control { &interruption(), &progress.bytesDone, &writer.ioThread() }
        , m_outputFile(toStandardOutput ? standardOutputFile() : std::nullopt)
        , m_complain(complain)
    {
        m_control.zeroByteFile = reading.zeroByteFile;
        m_walkedControl = m_control;
        m_walkedControl.binaryFiles = reading.binaryFiles;
    }

    bool countInOrder()
    {
        for (std::size_t file = 0; file < fileCount(); ++file) {
            if (m_control.stopRequested() || !countHere(file))
                break;
        }
        return m_allRead;
    }

    bool countOnThreads(unsigned threads);
    std::optional<bool> countInRanges(unsigned threads);

private:
    std::size_t fileCount() const { return std::size_t(m_inputs.paths.size()); }
    const QString& pathOf(std::size_t file) const { return m_inputs.paths[qsizetype(file)]; }

    static QString shownName(const QString& path)
    {
        return path == u"-" ? QStringLiteral("standard input") : path;
    }

    bool isOutputFile(const QString& path) const
    {
        if (!m_outputFile)
            return false;
        struct stat input;
        const bool opened = path == u"-" ? ::fstat(STDIN_FILENO, &input) == 0
                                         : statLongPath(pathBytes(path), &input) == 0;
        return opened && input.st_dev == m_outputFile->st_dev
            && input.st_ino == m_outputFile->st_ino;
    }

    /// Only a file the walk found may be passed over as binary: one named is always counted.
    const CountControl& controlFor(std::size_t file) const
    {
        return m_inputs.origins[qsizetype(file)] == InputOrigin::Walked ? m_walkedControl
                                                                        : m_control;
    }

    FileCountOutcome count(std::size_t file, LineMatcher& matcher, RowSink& sink) const
    {
        const QString& path = pathOf(file);
        if (path != u"-")
            return countFile(path, matcher, sink, controlFor(file));
        QFile standardInput;
        if (!standardInput.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
            return { FileCountOutcome::Kind::ReadFailed, standardInput.errorString() };
        return countDevice(standardInput, matcher, sink, controlFor(file));
    }

    /// Counts `file` on this thread straight into the rows; false when the run should stop.
    bool countHere(std::size_t file)
    {
        const QString& path = pathOf(file);
        if (isOutputFile(path)) {
            m_complain(shownName(path), QStringLiteral("input file is output file"));
            m_allRead = false;
            return true;
        }
        m_rows.startFile(path);
        const FileCountOutcome outcome = count(file, m_matcher, m_rows.head());
        m_progress.filesDone.fetch_add(1, std::memory_order_relaxed);
        // A file passed over as binary is no file of the run's: no row, no summary line.
        m_rows.endFile(outcome.kind == FileCountOutcome::Kind::Counted);
        return afterFile(path, outcome);
    }

    /// Tells what went wrong with a file; false when the run should stop.
    bool afterFile(const QString& path, const FileCountOutcome& outcome)
    {
        switch (outcome.kind) {
        case FileCountOutcome::Kind::Counted:
        case FileCountOutcome::Kind::Stopped:
        case FileCountOutcome::Kind::Binary:
            return true;
        case FileCountOutcome::Kind::Missing:
            m_complain(shownName(path), qt_error_string(whyMissing(path)));
            m_allRead = false;
            return true;
        case FileCountOutcome::Kind::ReadFailed:
        case FileCountOutcome::Kind::RowFailed:
            // A failure of the output is told once, by the caller, and ends the run.
            if (m_writer.failed() || !m_rows.outputFailure().isEmpty())
                return false;
            m_complain(shownName(path), outcome.description);
            m_allRead = false;
            return true;
        }
        return true;
    }

    void countFilesFor(FileRowOrder& order, bool needsLineBytes) const;
    bool takeInOrder(FileRowOrder& order);

    const InputFiles& m_inputs;
    const LineFilter& m_filter;
    LineMatcher m_matcher;
    RowPipeline& m_rows;
    ResultsWriter& m_writer;
    CountProgress& m_progress;
    /// For standard input and the files named; the walk's files are read with m_walkedControl.
    CountControl m_control;
    CountControl m_walkedControl;
    const std::optional<struct stat> m_outputFile;
    const Complaint& m_complain;
    bool m_allRead = true;
};

/// A counting thread: takes the next file, counts it through its own copy of the file's row
/// stages, and hands the rows that pass to the order. Standard input and the file standard
/// output appends to are left to the output's thread, which meets them in their turn.
void InputCounter::countFilesFor(FileRowOrder& order, bool needsLineBytes) const
{
    LineMatcher matcher(m_filter);
    while (const std::optional<std::size_t> file = order.takeFile()) {
        const QString& path = pathOf(*file);
        if (path == u"-" || isOutputFile(path)) {
            order.end(*file, { {}, true });
            continue;
        }
        PackedRowRecorder recorder(needsLineBytes, rowPieceBytes, [&](RowPiece&& rows) {
            return order.hand(*file, std::move(rows));
        });
        FileRowStages stages(m_rows.fileStageSettings(), recorder);
        const FileCountOutcome outcome = count(*file, matcher, stages.head());
        recorder.flush();
        m_progress.filesDone.fetch_add(1, std::memory_order_relaxed);
        order.end(*file, { outcome, false });
    }
}

/// The output's side: each file's rows, then what became of it, in the inputs' order.
bool InputCounter::takeInOrder(FileRowOrder& order)
{
    RowSink& rows = m_rows.orderedHead();
    for (std::size_t file = 0; file < fileCount(); ++file) {
        if (m_control.stopRequested())
            return false;
        const QString& path = pathOf(file);
        bool started = false;
        QString rowFailure;
        const auto take = [&](std::string_view piece) {
            if (!started)
                m_rows.startFile(path);
            started = true;
            if (rowFailure.isEmpty() && !replayPackedRows(piece, rows)) {
                // Only a failed output refuses a row: the count of the file can end.
                rowFailure = rows.takeRowFailure();
                order.abandon();
            }
        };
        std::optional<FileRowOrder::FileEnd> end
            = order.takeFileRows(file, take, [this] { return m_control.stopRequested(); });
        if (!end)
            return false;
        if (end->leftToOutput) {
            if (!countHere(file))
                return false;
            continue;
        }
        if (!rowFailure.isEmpty())
            end->outcome = { FileCountOutcome::Kind::RowFailed, rowFailure };
        if (!started)
            m_rows.startFile(path);
        m_rows.endFile(end->outcome.kind == FileCountOutcome::Kind::Counted);
        if (!afterFile(path, end->outcome))
            return false;
    }
    return true;
}

bool InputCounter::countOnThreads(unsigned threads)
{
    FileRowOrder order(fileCount(), waitingRowBytes);
    // Read here, before the threads start, since the output's sinks are the output's own.
    const bool needsLineBytes = m_rows.orderedHead().needsLineBytes();
    std::vector<std::thread> counters;
    try {
        for (unsigned started = 0; started < threads; ++started)
            counters.emplace_back([&] { countFilesFor(order, needsLineBytes); });
    } catch (const std::system_error&) {
        // Fewer threads than asked for still count every file; none at all, this one does.
        if (counters.empty())
            return countInOrder();
    }
    takeInOrder(order);
    order.abandon();
    for (std::thread& counter : counters)
        counter.join();
    return m_allRead;
}

/// Counts the one input, a large file, in ranges of whole lines on `threads` threads, each
/// range's rows written in their turn as the counter packed them. Nothing, and nothing done, when
/// the file is not to be cut so: see LineRanges::open(); and when the rows go to anything but the
/// writer, which would need their line numbers or see them one by one.
std::optional<bool> InputCounter::countInRanges(unsigned threads)
{
    const QString& path = pathOf(0);
    if (path == u"-" || isOutputFile(path) || !m_rows.rowsGoStraightToWriter())
        return std::nullopt;
    const CountControl& control = controlFor(0);
    const std::unique_ptr<LineRanges> ranges = LineRanges::open(path, rangeBytes, control);
    if (!ranges)
        return std::nullopt;
    FileRowOrder order(ranges->count(), waitingRowBytes);
    const auto countRanges = [&] {
        LineMatcher matcher(m_filter);
        std::size_t range = 0;
        WrittenRowRecorder recorder(
            m_writer.lineEnd(), rangePieceBytes,
            [&](RowPiece&& rows) { return order.hand(range, std::move(rows)); },
            [&] { return order.sparePiece(); });
        FileRowStages stages(m_rows.fileStageSettings(), recorder);
        while (const std::optional<std::size_t> taken = order.takeFile()) {
            range = *taken;
            const FileCountOutcome outcome
                = countRange(*ranges, range, matcher, stages.head(), control);
            recorder.flush();
            recorder.takeRowFailure();
            order.end(range, { outcome, false });
        }
    };
    std::vector<std::thread> counters;
    try {
        for (unsigned started = 0; started < threads; ++started)
            counters.emplace_back(countRanges);
    } catch (const std::system_error&) {
        if (counters.empty())
            return std::nullopt;
    }
    m_rows.startFile(path);
    FileCountOutcome outcome;
    const auto write = [&](std::string_view piece) {
        if (!m_writer.writePacked(piece))
            order.abandon();
    };
    for (std::size_t range = 0; range < ranges->count(); ++range) {
        const std::optional<FileRowOrder::FileEnd> end
            = order.takeFileRows(range, write, [this] { return m_control.stopRequested(); });
        if (!end) {
            outcome = { FileCountOutcome::Kind::Stopped, {} };
            break;
        }
        if (m_writer.failed()) {
            outcome = { FileCountOutcome::Kind::RowFailed, m_writer.failure() };
            break;
        }
        if (end->outcome.kind != FileCountOutcome::Kind::Counted) {
            outcome = end->outcome;
            break;
        }
    }
    order.abandon();
    for (std::thread& counter : counters)
        counter.join();
    if (outcome.kind == FileCountOutcome::Kind::Counted) {
        if (const std::optional<ReadOutcome> changed = ranges->changedWhileRead())
            outcome = { FileCountOutcome::Kind::ReadFailed, changed->description };
    }
    m_progress.filesDone.fetch_add(1, std::memory_order_relaxed);
    m_rows.endFile(outcome.kind == FileCountOutcome::Kind::Counted);
    afterFile(path, outcome);
    return m_allRead;
}

} // namespace

bool countInputs(const InputFiles& inputs, const InputReading& reading, const LineFilter& filter,
                 RowPipeline& rows, ResultsWriter& writer, CountProgress& progress,
                 bool toStandardOutput, const Complaint& complain)
{
    InputCounter counter(inputs, reading, filter, rows, writer, progress, toStandardOutput,
                         complain);
    const auto files = unsigned(std::min<qsizetype>(inputs.paths.size(), 1 << 20));
    if (reading.threads <= 1 || files == 0)
        return counter.countInOrder();
    if (files == 1) {
        if (reading.threads >= leastThreadsForRanges) {
            if (const std::optional<bool> allRead = counter.countInRanges(reading.threads))
                return *allRead;
        }
        return counter.countInOrder();
    }
    return counter.countOnThreads(std::min(reading.threads, files));
}

} // namespace velmora
