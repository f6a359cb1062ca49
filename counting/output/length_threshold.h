#pragma once

#include "forwarding_sink.h"

#include <limits>
#include <optional>

namespace velmora {

/// Hands on the rows whose count is greater than `longerThan` and less than `shorterThan`,
/// each bound only when given.
class LengthThreshold final : public ForwardingSink
{
public:
    LengthThreshold(std::optional<std::uint64_t> longerThan,
                    std::optional<std::uint64_t> shorterThan, RowSink& next)
        : m_longerThan(longerThan)
        , m_shorterThan(shorterThan)
        , m_next(next)
    { }

    bool needsLineBytes() const override { return m_next.needsLineBytes(); }
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override
    {
        if ((m_longerThan && count.value <= *m_longerThan)
            || (m_shorterThan && count.value >= *m_shorterThan))
            return;
        m_next.addRow(lineBytes, count, lineNumber);
        adoptFailure(m_next);
    }

private:
    const std::optional<std::uint64_t> m_longerThan;
    const std::optional<std::uint64_t> m_shorterThan;
    RowSink& m_next;
};

} // namespace velmora
