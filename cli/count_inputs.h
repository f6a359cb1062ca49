#pragma once

#include <QStringList>

#include <functional>

namespace velmora {

class ResultsWriter;
class RowPipeline;
struct CountProgress;
struct LineFilter;

/// Tells the user about a file or the output: its name as shown, and what went wrong.
using Complaint = std::function<void(const QString& subject, const QString& cause)>;

/// Counts every input ("-" for standard input) into `rows`; false when one of them could not
/// be read. Stops early once the writer fails or rows cannot be kept for the output, since
/// nothing more could reach it, and once an interrupt has arrived. With `toStandardOutput`, an
/// input that is the file standard output appends to is refused rather than read back without
/// end. Up to `threads` files are counted at once; the rows and messages come out as one
/// thread gives them.
bool countInputs(const QStringList& inputs, const LineFilter& filter, RowPipeline& rows,
                 ResultsWriter& writer, CountProgress& progress, bool toStandardOutput,
                 unsigned threads, const Complaint& complain);

} // namespace velmora
