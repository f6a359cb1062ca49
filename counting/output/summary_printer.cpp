#include "summary_printer.h"

#include <algorithm>
#include <string>

namespace velmora {

void SummaryPrinter::startFile(std::string shownPath)
{
    m_shownPath = std::move(shownPath);
    m_file = {};
}

void SummaryPrinter::addRow(std::string_view, CharacterCount count, LineNumber)
{
    ++m_file.rows;
    m_file.longest = std::max(m_file.longest, count.value);
}

void SummaryPrinter::endFile(bool counted)
{
    if (!counted)
        return;
    ++m_filesCounted;
    m_total.rows += m_file.rows;
    m_total.longest = std::max(m_total.longest, m_file.longest);
    // A line the writer cannot take leaves it failed, which the end of the run reports.
    m_next.addRow(line(m_file, m_shownPath), CharacterCount(m_file.longest), LineNumber(0));
}

std::optional<std::string> SummaryPrinter::totalLine() const
{
    if (m_filesCounted < 2)
        return std::nullopt;
    return line(m_total, "total");
}

std::string SummaryPrinter::line(const Tally& tally, std::string_view name)
{
    std::string text = std::to_string(tally.rows);
    text += '\t';
    text += std::to_string(tally.longest);
    text += '\t';
    text += name;
    return text;
}

} // namespace velmora
