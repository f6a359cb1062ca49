#include "command_line.h"
#include "count_inputs.h"
#include "counting/byte_output.h"
#include "counting/results_writer.h"
#include "input_files.h"
#include "progress_line.h"
#include "row_pipeline.h"

#include <QFile>

#include <cstdio>
#include <optional>

using namespace velmora;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

void printTo(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
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

int run(const CountCommand& command)
{
    QFile outputFile;
    const bool toStandardOutput = command.outputPath.isEmpty();
    const bool opened = toStandardOutput
        ? outputFile.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        : (outputFile.setFileName(command.outputPath),
           outputFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
    const QString outputName
        = toStandardOutput ? QStringLiteral("standard output") : command.outputPath;
    if (!opened) {
        complain(outputName, outputFile.errorString());
        return exitStatus(command, true);
    }
    DeviceOutput output(outputFile);
    ResultsWriter writer(output, command.lineEnding);
    RowPipeline rows(command, writer);

    const QStringList inputs = inputFiles(command);
    CountProgress progress;
    std::optional<ProgressLine> progressLine;
    if (ProgressLine::wanted(toStandardOutput))
        progressLine.emplace(progress, knownTotalBytes(inputs), int(inputs.size()));
    const bool allRead
        = countInputs(inputs, command.filter, rows, writer, progress,
                      [&](const QString& subject, const QString& cause) {
                          if (progressLine)
                              progressLine->interrupt([&] { complain(subject, cause); });
                          else
                              complain(subject, cause);
                      });
    rows.finish();
    progressLine.reset();
    if (!writer.flush()) {
        complain(outputName, writer.failure());
        return exitStatus(command, true);
    }
    return exitStatus(command, !allRead, rows.anyRowPassed());
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
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
        return 0;
    case CountCommand::Action::ShowVersion:
        printTo(stdout, QStringLiteral("velmora-count " VELMORA_VERSION "\n"));
        return 0;
    case CountCommand::Action::Count:
        break;
    }
    return run(*parsed.command);
}
