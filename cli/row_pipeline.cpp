#include "row_pipeline.h"

#include "command_line.h"
#include "common/path_bytes.h"

namespace velmora {

namespace {

RowOutput::Layout outputLayout(const CountCommand& command)
{
    return command.summary || command.format == CountCommand::Format::Lint || command.withFileName
            || command.withLineNumber
        ? RowOutput::Layout::AsLaidOut
        : RowOutput::Layout::CountAndLine;
}

} // namespace

RowPipeline::RowPipeline(const CountCommand& command, ResultsWriter& writer, ResultStore sortedRows)
    : m_writer(writer)
    , m_output(writer, outputLayout(command), command.sortOrder, std::move(sortedRows))
    , m_fileStageSettings { command.unit, command.longerThan, command.shorterThan }
{
    // Rows streamed in the window's layout go straight to the writer.
    RowSink* next = command.sortOrder || outputLayout(command) != RowOutput::Layout::CountAndLine
        ? static_cast<RowSink*>(&m_output)
        : &writer;
    // An editor's message names its place in full, so -H and -n add nothing to it.
    if (command.summary) {
        next = &m_summary.emplace(*next);
    } else if (command.format == CountCommand::Format::Lint) {
        next = &m_lint.emplace(command.unit, command.longerThan, command.nullAfterPath ? '\0' : ':',
                               *next);
    } else if (command.withFileName || command.withLineNumber) {
        next = &m_located.emplace(command.withFileName, command.withLineNumber,
                                  command.nullAfterPath ? '\0' : '\t', *next);
    }
    if (command.check)
        next = &m_tally.emplace(*next);
    m_orderedHead = next;
    m_fileStages.emplace(m_fileStageSettings, *next);
}

bool RowPipeline::rowsGoStraightToWriter() const
{
    return m_orderedHead == &m_writer;
}

void RowPipeline::startFile(const QString& path)
{
    if (!m_summary && !m_lint && !m_located)
        return;
    std::string shown
        = path == u"-" ? std::string("(standard input)") : pathBytes(path).toStdString();
    if (m_summary)
        m_summary->startFile(std::move(shown));
    else if (m_lint)
        m_lint->startFile(std::move(shown));
    else
        m_located->startFile(std::move(shown));
}

void RowPipeline::endFile(bool counted)
{
    if (m_summary)
        m_summary->endFile(counted);
}

void RowPipeline::finish()
{
    m_output.finish();
    if (m_summary) {
        if (const std::optional<std::string> total = m_summary->totalLine())
            m_writer.addLine(*total);
    }
}

} // namespace velmora
