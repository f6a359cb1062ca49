#include "row_output.h"

#include "counting/output/results_writer.h"
#include "counting/rows/shown_rows.h"

namespace velmora {

RowOutput::RowOutput(ResultsWriter& writer, Layout layout, std::optional<Qt::SortOrder> sortOrder,
                     ResultStore sortedRows)
    : m_writer(writer)
    , m_layout(layout)
    , m_sortOrder(sortOrder)
    , m_store(std::move(sortedRows))
{ }

void RowOutput::addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber)
{
    // Sorting needs every row at hand; without it rows stream out in constant memory.
    if (m_sortOrder) {
        m_store.addRow(lineBytes, count, lineNumber);
        if (m_store.rowFailed()) {
            m_keepingFailure = m_store.takeRowFailure();
            failRow(m_keepingFailure);
        }
    } else if (m_layout == Layout::CountAndLine) {
        m_writer.addRow(lineBytes, count, lineNumber);
        adoptFailure(m_writer);
    } else {
        m_writer.addLine(lineBytes);
        adoptFailure(m_writer);
    }
}

void RowOutput::finish()
{
    if (!m_sortOrder || !m_keepingFailure.isEmpty())
        return;
    ShownRows rows;
    rows.setStore(std::move(m_store));
    rows.sortByCount(*m_sortOrder);
    m_writer.addRows(rows, {},
                     m_layout == Layout::CountAndLine ? RowLayout::CountAndLine
                                                      : RowLayout::LineAlone);
}

} // namespace velmora
