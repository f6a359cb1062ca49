#pragma once

#include "counting/text/length_unit.h"
#include "forwarding_sink.h"

#include <optional>
#include <string>

namespace velmora {

/// Lays rows out as compilers write their messages, for editors and CI annotations to jump
/// to: PATH:LINE:COL: line is COUNT UNIT long, with " (limit N)" after a limit. COL is the
/// place, in characters from 1, of the first character that passes the limit; 1 without one.
/// Each is handed on with its count, for sorting.
class LintRowPrinter final : public ForwardingSink
{
public:
    /// `afterPath` follows the path: ':', or NUL where paths may hold anything.
    LintRowPrinter(LengthUnit unit, std::optional<std::uint64_t> limit, char afterPath,
                   RowSink& next);

    /// The path the next rows come from, as bytes to be written.
    void startFile(std::string shownPath) { m_shownPath = std::move(shownPath); }

    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;
    /// Only a limit's column is found in the line; without one a line of gigabytes need not
    /// be kept.
    bool needsLineBytes() const override { return m_limit.has_value(); }

private:
    const LengthUnit m_unit;
    const std::optional<std::uint64_t> m_limit;
    const char m_afterPath;
    RowSink& m_next;
    std::string m_shownPath;
    std::string m_laidOut;
};

} // namespace velmora
