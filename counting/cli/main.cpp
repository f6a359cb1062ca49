#include "command_line.h"
#include "counting/byte_output.h"
#include "counting/count_file.h"
#include "counting/line_matcher.h"
#include "counting/result_store.h"
#include "counting/results_model.h"
#include "counting/results_writer.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

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

/// Counts every file into `sink`; false when one of them could not be read. Stops early once
/// the writer fails, since nothing more could reach the output.
bool countFiles(const CountCommand& command, RowSink& sink, const ResultsWriter& writer)
{
    LineMatcher matcher(command.filter);
    bool allRead = true;
    for (const QString& path : command.files) {
        FileCountOutcome outcome;
        if (path == u"-") {
            QFile standardInput;
            if (!standardInput.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
                outcome = { FileCountOutcome::Kind::ReadFailed, standardInput.errorString() };
            else
                outcome = countDevice(standardInput, matcher, sink);
        } else {
            outcome = countFile(path, matcher, sink);
        }
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
        return exitFailure;
    }
    DeviceOutput output(outputFile);
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
    if (!writer.flush()) {
        complain(outputName, writer.failure());
        return exitFailure;
    }
    return allRead ? 0 : exitFailure;
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
