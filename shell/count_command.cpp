#include "count_command.h"

#include "background_run.h"
#include "common/application_title.h"
#include "common/long_path.h"
#include "common/path_bytes.h"
#include "counting/match/line_matcher.h"
#include "counting/rows/result_store.h"
#include "counting/scan/count_file.h"
#include "error_report.h"
#include "platform/platform.h"
#include "results_model.h"

#include <sys/stat.h>
#include <vector>

namespace velmora {

namespace {

const QString handlerName = QStringLiteral("PushButton2_Click");

// The numbered steps of the command that a failure report names.
constexpr int readStep = 112;

int rowStep(LineFilterMode mode)
{
    switch (mode) {
    case LineFilterMode::Containing:
        return 128;
    case LineFilterMode::NotContaining:
        return 138;
    case LineFilterMode::Every:
    case LineFilterMode::Nothing:
        break;
    }
    return 890;
}

struct FileFailure
{
    int step;
    QString description;
};

qint64 totalBytes(const QStringList& paths)
{
    qint64 total = 0;
    for (const QString& path : paths) {
        struct stat status;
        if (statLongPath(pathBytes(path), &status) == 0 && S_ISREG(status.st_mode))
            total += status.st_size;
    }
    return total;
}

/// A row that could not be kept (a full temporary folder, mostly) leaves the list short of
/// rows, which the report has to say: the list shows no gap.
QString incompleteRows(const QString& cause)
{
    return QStringLiteral("%1; the rows shown are incomplete").arg(cause);
}

QString countingLabel(qsizetype files)
{
    return files == 1 ? QStringLiteral("Counting the lines of 1 file…")
                      : QStringLiteral("Counting the lines of %1 files…").arg(files);
}

} // namespace

void countListedFiles(const QStringList& paths, const LineFilter& filter, ResultsModel& results,
                      Platform& platform, const std::atomic<bool>& stop)
{
    if (paths.isEmpty()) {
        platform.messages.show(QStringLiteral("No files added."), applicationTitle(),
                               MessageButtons::Ok, MessageIcon::None);
        return;
    }

    platform.pointer.setPointer(MousePointer::Busy);
    results.clear();

    ResultStore store;
    std::vector<FileFailure> failures;
    runInBackground(
        [&](const JobControl& job) {
            LineMatcher matcher(filter);
            const CountControl control { &job.stop, &job.done };
            for (const QString& path : paths) {
                store.beginFile(path);
                const FileCountOutcome outcome = countFile(path, matcher, store, control);
                using Kind = FileCountOutcome::Kind;
                if (outcome.kind == Kind::Stopped)
                    return;
                if (outcome.kind == Kind::ReadFailed)
                    failures.push_back({ readStep, outcome.description });
                else if (outcome.kind == Kind::RowFailed)
                    failures.push_back(
                        { rowStep(filter.mode), incompleteRows(outcome.description) });
            }
        },
        platform.progress, platform.programEnd, countingLabel(paths.size()), totalBytes(paths),
        stop);
    if (stop)
        return;

    results.setStore(std::move(store));
    for (const FileFailure& failure : failures)
        showErrorReport(platform.messages, failure.description, handlerName, failure.step);
    platform.messages.show(QStringLiteral("Done."), applicationTitle(), MessageButtons::Ok,
                           MessageIcon::None);
    platform.pointer.setPointer(MousePointer::Default);
}

} // namespace velmora
