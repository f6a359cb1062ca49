#pragma once

#include "counting/output/lint_row_printer.h"
#include "counting/output/located_row_printer.h"
#include "counting/output/row_tally.h"
#include "counting/output/summary_printer.h"
#include "file_row_stages.h"
#include "row_output.h"

#include <QString>

#include <optional>

namespace velmora {

struct CountCommand;

/// The stages a command puts between the counter and the results writer: the count in
/// another unit, the length thresholds, the tally of rows that passed, and the printer of
/// rows with their place, of editors' messages or of one line per file.
class RowPipeline
{
public:
    /// Rows held back for sorting are kept in `sortedRows`, an empty store.
    RowPipeline(const CountCommand& command, ResultsWriter& writer,
                ResultStore sortedRows = ResultStore());
    Q_DISABLE_COPY_MOVE(RowPipeline)

    /// Where the counter hands its rows.
    RowSink& head() { return m_fileStages->head(); }
    /// Where rows go that already passed the file's own stages (see FileRowStages), for a
    /// count that runs them itself on another thread.
    RowSink& orderedHead() { return *m_orderedHead; }
    const FileRowStages::Settings& fileStageSettings() const { return m_fileStageSettings; }
    /// The rows that follow come from `path` ("-" for standard input).
    void startFile(const QString& path);
    /// The file's rows are all in; `counted` is false when it could not be read.
    void endFile(bool counted);
    /// Writes what was held back: sorted rows, the summary's total.
    void finish();

    /// Why the rows could not all be kept for the output; empty while they could.
    const QString& outputFailure() const { return m_output.keepingFailure(); }

    /// Whether the rows that pass the file's own stages go straight to the results writer,
    /// written as the count, a tab and the line, and nothing else looks at them.
    bool rowsGoStraightToWriter() const;

    /// Known only when the command checks.
    bool anyRowPassed() const { return m_tally && m_tally->rows() > 0; }

private:
    ResultsWriter& m_writer;
    RowOutput m_output;
    std::optional<SummaryPrinter> m_summary;
    std::optional<LintRowPrinter> m_lint;
    std::optional<LocatedRowPrinter> m_located;
    std::optional<RowTally> m_tally;
    RowSink* m_orderedHead = nullptr;
    const FileRowStages::Settings m_fileStageSettings;
    std::optional<FileRowStages> m_fileStages;
};

} // namespace velmora
