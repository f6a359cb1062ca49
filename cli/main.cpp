#include "command_line.h"
#include "common/path_bytes.h"
#include "common/replacing_output_file.h"
#include "common/standard_descriptors.h"
#include "count_inputs.h"
#include "counting/input/count_control.h"
#include "counting/output/byte_sink.h"
#include "counting/output/results_writer.h"
#include "input_files.h"
#include "interruption.h"
#include "listed_names.h"
#include "progress_line.h"
#include "row_pipeline.h"

#include <QFile>

#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

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
    // A file named by -o gets its new content only once the whole run has succeeded, as
    // `sort -o` has it, so an input that is also the output is read whole before it is
    // replaced, and a run that fails anywhere leaves it as it was.
    std::unique_ptr<ReplacingOutputFile> outputFile = toStandardOutput
        ? ReplacingOutputFile::standardOutput()
        : ReplacingOutputFile::open(command.outputPath, openError);
    if (!outputFile) {
        complain(outputName, openError);
        return exitStatus(command, true);
    }
    outputFile->stopAtLineEndWhen(&interruption());
    const auto leftAsItWas = [&, replaces = outputFile->replacesTarget()] {
        if (replaces)
            printTo(stderr, QStringLiteral("velmora-count: %1 left as it was\n").arg(outputName));
    };
    PendingFileByteSink output(*outputFile);
    ResultsWriter writer(output, rowEnding(command));
    RowPipeline rows(command, writer);

    bool allReached = true;
    const Complaint notReached = [&](const QString& subject, const QString& cause) {
        allReached = false;
        complain(subject, cause);
    };
    CountCommand named = command;
    if (command.namesFrom)
        named.files = namesFromList(*command.namesFrom, notReached);
    const InputFiles inputs = inputFiles(named, notReached);
    // A warning only: the walk may simply have found no such file this time.
    for (const QString& extension : inputs.unmatchedExtensions)
        printTo(stderr, QStringLiteral("velmora-count: --ext %1 matched no file\n").arg(extension));
    CountProgress progress;
    std::optional<ProgressLine> progressLine;
    if (ProgressLine::wanted(toStandardOutput))
        progressLine.emplace(
            progress, [&inputs] { return knownTotalBytes(inputs.paths); },
            int(inputs.paths.size()));
    InputReading reading;
    reading.binaryFiles = command.countBinary ? BinaryFiles::Count : BinaryFiles::PassOver;
    reading.zeroByteFile
        = command.emptyFileRow ? ZeroByteFile::EmptyFileLine : ZeroByteFile::NoText;
    reading.threads = command.threads != 0 ? command.threads : std::thread::hardware_concurrency();
    const bool allRead
        = countInputs(inputs, reading, command.filter, rows, writer, progress, toStandardOutput,
                      [&](const QString& subject, const QString& cause) {
                          if (progressLine)
                              progressLine->interrupt([&] { complain(subject, cause); });
                          else
                              complain(subject, cause);
                      });
    progressLine.reset();
    const QString keepingFailure = rows.outputFailure();
    if (!keepingFailure.isEmpty())
        printTo(stderr, QStringLiteral("velmora-count: %1\n").arg(keepingFailure));
    rows.finish();
    const bool written = writer.flush();
    if (!written && !interruption())
        complain(outputName, writer.failure());
    const bool succeeded
        = allReached && allRead && keepingFailure.isEmpty() && written && !interruption();
    if (!succeeded) {
        outputFile.reset();
        leftAsItWas();
        if (interruption())
            endByInterruption();
        return exitStatus(command, true);
    }
    const bool committed = outputFile->commit();
    // An interrupt during the commit: before the new file took the old one's place the old
    // one stays; after it, the new one does. Either way the run ends as interrupted.
    if (interruption() || !committed) {
        if (!committed) {
            if (!interruption())
                complain(outputName, outputFile->errorString());
            outputFile.reset();
            leftAsItWas();
        }
        if (interruption())
            endByInterruption();
        return exitStatus(command, true);
    }
    for (const QString& notKept : outputFile->metadataNotKept())
        complain(outputName, notKept);
    return exitStatus(command, false, rows.anyRowPassed());
}

/// What is still buffered for standard output goes out now, where a failure can still be
/// told and change the exit status. A text longer than the buffer has had parts written
/// already: a failure among them leaves only the stream's error flag, and errno as it set.
int finishStandardOutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return 0;
    complain(QStringLiteral("standard output"), qt_error_string(errno));
    return exitFailure;
}

} // namespace

int main(int argc, char* argv[])
{
    reopenClosedStandardDescriptors();
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
