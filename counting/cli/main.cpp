#include "command_line.h"
#include "common/output_file.h"
#include "common/path_bytes.h"
#include "count_inputs.h"
#include "counting/byte_output.h"
#include "counting/results_writer.h"
#include "input_files.h"
#include "interruption.h"
#include "progress_line.h"
#include "row_pipeline.h"

#include <QFile>

#include <cstdio>
#include <memory>
#include <optional>

using namespace velmora;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

// Paths in messages go out as the bytes they were given as.
void printTo(std::FILE* stream, const QString& text)
{
    std::fputs(pathBytes(text).constData(), stream);
}

void complain(const QString& subject, const QString& cause)
{
    printTo(stderr, QStringLiteral("velmora-count: %1: %2\n").arg(subject, cause));
}

/// Without --check: 1 for any trouble. With it, as diff and cmp have it: 2 for trouble, else
/// 1 when a row passed.
int exitStatus(const CountCommand& command, bool trouble, bool anyRowPassed = false)
{
    constexpr int exitRowPassed = 1;
    constexpr int exitCheckTrouble = 2;
    if (!command.check)
        return trouble ? exitFailure : 0;
    return trouble ? exitCheckTrouble : anyRowPassed ? exitRowPassed : 0;
}

bool writesToStandardOutput(const CountCommand& command)
{
    return command.outputPath.isEmpty() || command.outputPath == u"-";
}

int run(const CountCommand& command)
{
    const bool toStandardOutput = writesToStandardOutput(command);
    const QString outputName
        = toStandardOutput ? QStringLiteral("standard output") : command.outputPath;
    QString openError;
    // A file named by -o gets its new content only once every input has been read, so an
    // input that is also the output is read whole before it is replaced.
    std::unique_ptr<OutputFile> outputFile = toStandardOutput
        ? OutputFile::standardOutput()
        : OutputFile::open(command.outputPath, openError);
    if (!outputFile) {
        complain(outputName, openError);
        return exitStatus(command, true);
    }
    outputFile->stopAtLineEndWhen(&interruption());
    PendingFileOutput output(*outputFile);
    ResultsWriter writer(output, command.lineEnding);
    RowPipeline rows(command, writer);

    bool allReached = true;
    const QStringList inputs
        = inputFiles(command, [&](const QString& subject, const QString& cause) {
              allReached = false;
              complain(subject, cause);
          });
    CountProgress progress;
    std::optional<ProgressLine> progressLine;
    if (ProgressLine::wanted(toStandardOutput))
        progressLine.emplace(progress, knownTotalBytes(inputs), int(inputs.size()));
    const bool allRead
        = countInputs(inputs, command.filter, rows, writer, progress, toStandardOutput,
                      [&](const QString& subject, const QString& cause) {
                          if (progressLine)
                              progressLine->interrupt([&] { complain(subject, cause); });
                          else
                              complain(subject, cause);
                      });
    rows.finish();
    progressLine.reset();
    const bool written = writer.flush();
    if (interruption()) {
        outputFile.reset();
        endByInterruption();
    }
    if (!written) {
        complain(outputName, writer.failure());
        return exitStatus(command, true);
    }
    if (!outputFile->commit()) {
        complain(outputName, outputFile->errorString());
        return exitStatus(command, true);
    }
    return exitStatus(command, !allRead || !allReached, rows.anyRowPassed());
}

/// What is still buffered for standard output goes out now, where a failure can still be
/// told and change the exit status.
int finishStandardOutput()
{
    if (std::fflush(stdout) == 0)
        return 0;
    complain(QStringLiteral("standard output"), qt_error_string(errno));
    return exitFailure;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << pathFromBytes(argv[i]);
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.command) {
        printTo(stderr,
                QStringLiteral("velmora-count: %1\nTry 'velmora-count --help' for more "
                               "information.\n")
                    .arg(parsed.error));
        return exitUsage;
    }
    switch (parsed.command->action) {
    case CountCommand::Action::ShowHelp:
        printTo(stdout, usageText());
        return finishStandardOutput();
    case CountCommand::Action::ShowVersion:
        printTo(stdout, QStringLiteral("velmora-count " VELMORA_VERSION "\n"));
        return finishStandardOutput();
    case CountCommand::Action::Count:
        break;
    }
    catchInterruptions();
    return run(*parsed.command);
}
