#pragma once

#include "forwarding_sink.h"

#include <optional>
#include <string>

namespace velmora {

/// Instead of rows, one line per counted file, ROWS<TAB>LONGEST<TAB>PATH: how many rows
/// passed and the largest count among them (0 when none), handed on with LONGEST as its
/// count; and for more than one file, a total as wc writes it.
class SummaryPrinter final : public ForwardingSink
{
public:
    explicit SummaryPrinter(RowSink& next)
        : m_next(next)
    { }

    void startFile(std::string shownPath);
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;
    bool needsLineBytes() const override { return false; }
    /// Hands on the file's line; a file that could not be counted gets none.
    void endFile(bool counted);
    /// ROWS<TAB>LONGEST<TAB>total over every file, when more than one was counted.
    std::optional<std::string> totalLine() const;

private:
    struct Tally
    {
        std::uint64_t rows = 0;
        std::uint64_t longest = 0;
    };
    static std::string line(const Tally& tally, std::string_view name);

    RowSink& m_next;
    std::string m_shownPath;
    Tally m_file;
    Tally m_total;
    int m_filesCounted = 0;
};

} // namespace velmora
