#include "save_command.h"

#include "background_run.h"
#include "common/application_title.h"
#include "common/file_exists.h"
#include "common/path_bytes.h"
#include "counting/output/byte_sink.h"
#include "counting/output/results_writer.h"
#include "error_report.h"
#include "platform/platform.h"
#include "results_model.h"

namespace velmora {

namespace {

const QString handlerName = QStringLiteral("PushButton4_Click");

// The numbered steps of the command that a failure report names.
constexpr int openStep = 130;
constexpr int writeStep = 136;
constexpr int closeStep = 140;

FileDialogRequest saveDialog()
{
    return { QStringLiteral("Save"),
             { { QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.txt") },
               { QStringLiteral("All Files (*.*)"), QStringLiteral("*.*") } } };
}

bool mayWrite(const QString& path, MessageBoxes& messages)
{
    if (!FileExists(path))
        return true;
    const MessageAnswer answer
        = messages.show(QStringLiteral("Are you sure you wish to overwrite ") + displayedPath(path)
                            + QStringLiteral(" ?"),
                        applicationTitle(), MessageButtons::YesNo, MessageIcon::None);
    return answer == MessageAnswer::Yes;
}

struct SaveOutcome
{
    enum class Kind { Written, Failed, Stopped };
    Kind kind = Kind::Stopped;
    /// The numbered step that failed, and why.
    int step = 0;
    QString description;
};

/// Opens, writes and puts the file in place. Opening may wait (a FIFO without a reader), so
/// it runs here on the worker thread, where the window can still close meanwhile.
SaveOutcome saveFile(const QString& path, const ResultsModel& results,
                     OutputFileOpener& outputFiles, const JobControl& job)
{
    using Kind = SaveOutcome::Kind;
    QString openError;
    const std::unique_ptr<PendingFile> file = outputFiles.beginReplacing(path, openError);
    if (!file)
        return { Kind::Failed, openStep, openError };
    PendingFileByteSink output(*file);
    ResultsWriter writer(output);
    const bool complete = writer.addRows(results.rows(), [&](int written) {
        job.done = written;
        return !job.stop;
    });
    if (job.stop)
        return { Kind::Stopped, 0, {} };
    if (!complete || !writer.flush())
        return { Kind::Failed, writeStep, writer.failure() };
    if (!file->commit())
        return { Kind::Failed, closeStep, file->errorString() };
    return { Kind::Written, 0, {} };
}

} // namespace

void saveResults(const ResultsModel& results, Platform& platform, const std::atomic<bool>& stop)
{
    const QString path = platform.fileDialogs.saveFile(saveDialog());
    if (path.isEmpty() || !mayWrite(path, platform.messages))
        return;

    platform.pointer.setPointer(MousePointer::Busy);
    const auto report = [&](const QString& description, int step) {
        showErrorReport(platform.messages, description, handlerName, step);
        platform.pointer.setPointer(MousePointer::Default);
    };

    SaveOutcome outcome;
    runInBackground(
        [&](const JobControl& job) {
            outcome = saveFile(path, results, platform.outputFiles, job);
        },
        platform.progress, platform.programEnd, QStringLiteral("Saving the results…"),
        results.rowCount(), stop);
    if (outcome.kind == SaveOutcome::Kind::Stopped || stop)
        return;
    if (outcome.kind == SaveOutcome::Kind::Failed) {
        report(outcome.description, outcome.step);
        return;
    }

    platform.messages.show(QStringLiteral("Done."), applicationTitle(), MessageButtons::Ok,
                           MessageIcon::None);
    platform.pointer.setPointer(MousePointer::Default);
}

} // namespace velmora
