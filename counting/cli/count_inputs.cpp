#include "count_inputs.h"

#include "counting/count_file.h"
#include "counting/line_matcher.h"
#include "counting/results_writer.h"
#include "progress_line.h"
#include "row_pipeline.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

namespace velmora {

bool countInputs(const QStringList& inputs, const LineFilter& filter, RowPipeline& rows,
                 const ResultsWriter& writer, CountProgress& progress, const Complaint& complain)
{
    LineMatcher matcher(filter);
    const CountControl control { nullptr, &progress.bytesDone };
    bool allRead = true;
    for (const QString& path : inputs) {
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
        rows.endFile(outcome.kind == FileCountOutcome::Kind::Counted);
        const QString shownName = path == u"-" ? QStringLiteral("standard input") : path;
        switch (outcome.kind) {
        case FileCountOutcome::Kind::Counted:
        case FileCountOutcome::Kind::Stopped:
            break;
        case FileCountOutcome::Kind::Missing:
            complain(shownName, qt_error_string(ENOENT));
            allRead = false;
            break;
        case FileCountOutcome::Kind::ReadFailed:
        case FileCountOutcome::Kind::RowFailed:
            if (writer.failed())
                return allRead;
            complain(shownName, outcome.description);
            allRead = false;
            break;
        }
    }
    return allRead;
}

} // namespace velmora
