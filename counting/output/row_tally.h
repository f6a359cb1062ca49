#pragma once

#include "forwarding_sink.h"

namespace velmora {

/// Counts the rows that passed every filter on their way to the printer.
class RowTally final : public ForwardingSink
{
public:
    explicit RowTally(RowSink& next)
        : m_next(next)
    { }

    bool needsLineBytes() const override { return m_next.needsLineBytes(); }
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override
    {
        ++m_rows;
        m_next.addRow(lineBytes, count, lineNumber);
        adoptFailure(m_next);
    }

    std::uint64_t rows() const { return m_rows; }

private:
    RowSink& m_next;
    std::uint64_t m_rows = 0;
};

} // namespace velmora
