#include "command_line.h"
#include "common/output_file.h"
#include "common/path_bytes.h"
#include "counting/byte_output.h"
#include "counting/count_file.h"
#include "counting/line_matcher.h"
#include "counting/result_store.h"
#include "counting/results_model.h"
#include "counting/results_writer.h"
#include "interruption.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

bool writesToStandardOutput(const CountCommand& command)
{
    return command.outputPath.isEmpty() || command.outputPath == u"-";
}

/// Whether `path` ("-": standard input) is the regular file that standard output appends the
/// rows to: counting it would read the rows back and feed them to itself without end.
bool isStandardOutputFile(const QString& path)
{
    struct stat output;
    struct stat input;
    if (::fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode))
        return false;
    const bool opened = path == u"-" ? ::fstat(STDIN_FILENO, &input) == 0
                                     : ::stat(pathBytes(path).constData(), &input) == 0;
    return opened && input.st_dev == output.st_dev && input.st_ino == output.st_ino;
}

/// Counts every file into `sink`; false when one of them could not be read. Stops early once
/// the writer fails, since nothing more could reach the output.
bool countFiles(const CountCommand& command, RowSink& sink, const ResultsWriter& writer)
{
    LineMatcher matcher(command.filter);
    const CountControl control { &interruption() };
    bool allRead = true;
    for (const QString& path : command.files) {
        if (control.stopRequested())
            return allRead;
        const QString shownName = path == u"-" ? QStringLiteral("standard input") : path;
        if (writesToStandardOutput(command) && isStandardOutputFile(path)) {
            complain(shownName, QStringLiteral("input file is output file"));
            allRead = false;
            continue;
        }
        FileCountOutcome outcome;
        if (path == u"-") {
            QFile standardInput;
            if (!standardInput.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
                outcome = { FileCountOutcome::Kind::ReadFailed, standardInput.errorString() };
            else
                outcome = countDevice(standardInput, matcher, sink, control);
        } else {
            outcome = countFile(path, matcher, sink, control);
        }
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
        return exitFailure;
    }
    outputFile->stopAtLineEndWhen(&interruption());
    PendingFileOutput output(*outputFile);
    ResultsWriter writer(output, command.lineEnding);

    bool allRead = true;
    if (command.sortOrder) {
        // Sorting needs every row at hand; without it rows stream out in constant memory.
        ResultStore store;
        allRead = countFiles(command, store, writer);
        ResultsModel results;
        results.setStore(std::move(store));
        results.sortByKey(*command.sortOrder);
        writer.addRows(results);
    } else {
        allRead = countFiles(command, writer, writer);
    }
    const bool written = writer.flush();
    if (interruption()) {
        outputFile.reset();
        endByInterruption();
    }
    if (!written) {
        complain(outputName, writer.failure());
        return exitFailure;
    }
    if (!outputFile->commit()) {
        complain(outputName, outputFile->errorString());
        return exitFailure;
    }
    return allRead ? 0 : exitFailure;
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
