#include "lint_row_printer.h"

#include "counting/text/count_text.h"
#include "counting/text/line_length.h"

namespace velmora {

LintRowPrinter::LintRowPrinter(LengthUnit unit, std::optional<std::uint64_t> limit, char afterPath,
                               RowSink& next)
    : m_unit(unit)
    , m_limit(limit)
    , m_afterPath(afterPath)
    , m_next(next)
{ }

void LintRowPrinter::addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber)
{
    const std::uint64_t column
        = m_limit ? prefixWithin(lineBytes, m_unit, *m_limit).characters + 1 : 1;
    m_laidOut.clear();
    m_laidOut += m_shownPath;
    m_laidOut += m_afterPath;
    appendNumber(m_laidOut, lineNumber.value);
    m_laidOut += ':';
    appendNumber(m_laidOut, column);
    m_laidOut += ": line is ";
    appendNumber(m_laidOut, count.value);
    m_laidOut += ' ';
    m_laidOut += lengthUnitCounted(m_unit);
    m_laidOut += " long";
    if (m_limit) {
        m_laidOut += " (limit ";
        appendNumber(m_laidOut, *m_limit);
        m_laidOut += ')';
    }
    m_next.addRow(m_laidOut, count, lineNumber);
    adoptFailure(m_next);
}

} // namespace velmora
