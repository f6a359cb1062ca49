#include "count_inputs.h"

#include "common/long_path.h"
#include "common/path_bytes.h"
#include "counting/match/line_matcher.h"
#include "counting/output/results_writer.h"
#include "counting/scan/count_file.h"
#include "input_files.h"
#include "interruption.h"
#include "progress_line.h"
#include "row_pipeline.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

/// Whether `path` ("-": standard input) is the regular file that standard output appends the
/// rows to: counting it would read the rows back and feed them to itself without end.
bool isStandardOutputFile(const QString& path)
{
    struct stat output;
    struct stat input;
    if (::fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode))
        return false;
    const bool opened = path == u"-" ? ::fstat(STDIN_FILENO, &input) == 0
                                     : statLongPath(pathBytes(path), &input) == 0;
    return opened && input.st_dev == output.st_dev && input.st_ino == output.st_ino;
}

/// Why `path` could not be found: a link that leads round in a loop is no missing file.
int whyMissing(const QString& path)
{
    struct stat status;
    return statLongPath(pathBytes(path), &status) != 0 ? errno : ENOENT;
}

} // namespace

bool countInputs(const InputFiles& inputs, BinaryFiles binaryFiles, const LineFilter& filter,
                 ZeroByteFile zeroByteFile,
                 RowPipeline& rows, ResultsWriter& writer, CountProgress& progress,
                 bool toStandardOutput, const Complaint& complain)
{
    LineMatcher matcher(filter);
    // The inputs are read ahead on the thread that writes the rows, which has time to spare.
    CountControl namedControl { &interruption(), &progress.bytesDone, &writer.ioThread() };
    namedControl.zeroByteFile = zeroByteFile;
    CountControl walkedControl = namedControl;
    walkedControl.binaryFiles = binaryFiles;
    bool allRead = true;
    for (qsizetype i = 0; i < inputs.paths.size(); ++i) {
        const QString& path = inputs.paths.at(i);
        const CountControl& control
            = inputs.origins.at(i) == InputOrigin::Walked ? walkedControl : namedControl;
        if (control.stopRequested())
            return allRead;
        const QString shownName = path == u"-" ? QStringLiteral("standard input") : path;
        if (toStandardOutput && isStandardOutputFile(path)) {
            complain(shownName, QStringLiteral("input file is output file"));
            allRead = false;
            continue;
        }
        rows.startFile(path);
        FileCountOutcome outcome;
        if (path == u"-") {
            QFile standardInput;
            if (!standardInput.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
                outcome = { FileCountOutcome::Kind::ReadFailed, standardInput.errorString() };
            else
                outcome = countDevice(standardInput, matcher, rows.head(), control);
        } else {
            outcome = countFile(path, matcher, rows.head(), control);
        }
        progress.filesDone.fetch_add(1, std::memory_order_relaxed);
        // A file passed over as binary is no file of the run's: no row, no summary line.
        rows.endFile(outcome.kind == FileCountOutcome::Kind::Counted);
        switch (outcome.kind) {
        case FileCountOutcome::Kind::Counted:
        case FileCountOutcome::Kind::Stopped:
        case FileCountOutcome::Kind::Binary:
            break;
        case FileCountOutcome::Kind::Missing:
            complain(shownName, qt_error_string(whyMissing(path)));
            allRead = false;
            break;
        case FileCountOutcome::Kind::ReadFailed:
        case FileCountOutcome::Kind::RowFailed:
            // A failure of the output is told once, by the caller, and ends the run.
            if (writer.failed() || !rows.outputFailure().isEmpty())
                return allRead;
            complain(shownName, outcome.description);
            allRead = false;
            break;
        }
    }
    return allRead;
}

} // namespace velmora
