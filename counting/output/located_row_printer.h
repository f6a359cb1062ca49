#pragma once

#include "forwarding_sink.h"

#include <string>

namespace velmora {

/// Lays rows out as PATH<TAB>LINE<TAB>COUNT<TAB>TEXT, with the path, the line number or both,
/// and hands each on with its count, for sorting. `afterPath` follows the path: a tab, or NUL
/// where paths may hold anything.
class LocatedRowPrinter final : public ForwardingSink
{
public:
    LocatedRowPrinter(bool withFileName, bool withLineNumber, char afterPath, RowSink& next);

    /// The path the next rows come from, as bytes to be written.
    void startFile(std::string shownPath) { m_shownPath = std::move(shownPath); }

    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;

private:
    const bool m_withFileName;
    const bool m_withLineNumber;
    const char m_afterPath;
    RowSink& m_next;
    std::string m_shownPath;
    std::string m_laidOut;
};

} // namespace velmora
