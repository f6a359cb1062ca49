#pragma once

#include "counting/input/count_control.h"

#include <QStringList>

#include <functional>

namespace velmora {

class ResultsWriter;
class RowPipeline;
struct CountProgress;
struct InputFiles;
struct LineFilter;

/// How the inputs are read.
struct InputReading
{
    /// What becomes of a walked file that looks binary.
    BinaryFiles binaryFiles = BinaryFiles::PassOver;
    ZeroByteFile zeroByteFile = ZeroByteFile::NoText;
    /// Files counted at once; the rows and messages come out as one thread gives them.
    unsigned threads = 1;
};

/// Tells the user about a file or the output: its name as shown, and what went wrong.
using Complaint = std::function<void(const QString& subject, const QString& cause)>;

/// Counts every input ("-" for standard input) into `rows`; false when one of them could not
/// be read. A walked input that looks binary is passed over in silence unless `reading` says to
/// count it; a named one is always counted. Stops early once the writer fails or rows cannot be
/// kept for the output, since nothing more could reach it, and once an interrupt has arrived.
/// With `toStandardOutput`, an input that is the file standard output appends to is refused
/// rather than read back without end.
bool countInputs(const InputFiles& inputs, const InputReading& reading, const LineFilter& filter,
                 RowPipeline& rows, ResultsWriter& writer, CountProgress& progress,
                 bool toStandardOutput, const Complaint& complain);

} // namespace velmora
