#include "save_command.h"

#include "byte_output.h"
#include "common/application_title.h"
#include "common/background_run.h"
#include "common/error_report.h"
#include "common/file_exists.h"
#include "platform/platform.h"
#include "results_model.h"
#include "results_writer.h"

namespace velmora {

namespace {

const QString handlerName = QStringLiteral("PushButton4_Click");

// The numbered steps of the command that a failure report names.
constexpr int openStep = 130;
constexpr int writeStep = 136;
constexpr int closeStep = 140;

class PendingFileOutput final : public ByteOutput
{
public:
    explicit PendingFileOutput(PendingFile& file)
        : m_file(file)
    { }
    std::size_t write(std::string_view bytes) override { return m_file.write(bytes); }
    // A failed save never replaces the target, so nothing needs cutting back.
    bool truncate(std::uint64_t) override { return false; }
    QString errorString() const override { return m_file.errorString(); }

private:
    PendingFile& m_file;
};

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
    const MessageAnswer answer = messages.show(
        QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
        applicationTitle(), MessageButtons::YesNo, MessageIcon::None);
    return answer == MessageAnswer::Yes;
}

enum class WriteOutcome { Written, Failed, Stopped };

WriteOutcome writeRows(const ResultsModel& results, ResultsWriter& writer, const JobControl& job)
{
    const bool complete = writer.addRows(results, [&](int written) {
        job.done = written;
        return !job.stop;
    });
    if (job.stop)
        return WriteOutcome::Stopped;
    return complete && writer.flush() ? WriteOutcome::Written : WriteOutcome::Failed;
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

    QString openError;
    const std::unique_ptr<PendingFile> file = platform.outputFiles.beginReplacing(path, openError);
    if (!file) {
        report(openError, openStep);
        return;
    }

    PendingFileOutput output(*file);
    ResultsWriter writer(output);
    WriteOutcome outcome = WriteOutcome::Stopped;
    runInBackground([&](const JobControl& job) { outcome = writeRows(results, writer, job); },
                    platform.progress, QStringLiteral("Saving the results…"), results.rowCount(),
                    stop);
    if (outcome == WriteOutcome::Stopped || stop)
        return;
    if (outcome == WriteOutcome::Failed) {
        report(writer.failure(), writeStep);
        return;
    }
    if (!file->commit()) {
        report(file->errorString(), closeStep);
        return;
    }

    platform.messages.show(QStringLiteral("Done."), applicationTitle(), MessageButtons::Ok,
                           MessageIcon::None);
    platform.pointer.setPointer(MousePointer::Default);
}

} // namespace velmora
