#include "located_row_printer.h"

#include "counting/text/count_text.h"

namespace velmora {

LocatedRowPrinter::LocatedRowPrinter(bool withFileName, bool withLineNumber, char afterPath,
                                     RowSink& next)
    : m_withFileName(withFileName)
    , m_withLineNumber(withLineNumber)
    , m_afterPath(afterPath)
    , m_next(next)
{ }

void LocatedRowPrinter::addRow(std::string_view lineBytes, CharacterCount count,
                               LineNumber lineNumber)
{
    m_laidOut.clear();
    if (m_withFileName) {
        m_laidOut += m_shownPath;
        m_laidOut += m_afterPath;
    }
    if (m_withLineNumber) {
        appendNumber(m_laidOut, lineNumber.value);
        m_laidOut += '\t';
    }
    appendNumber(m_laidOut, count.value);
    m_laidOut += '\t';
    m_laidOut += lineBytes;
    m_next.addRow(m_laidOut, count, lineNumber);
    adoptFailure(m_next);
}

} // namespace velmora
