#pragma once

#include "counting/text/line_length.h"
#include "forwarding_sink.h"

namespace velmora {

/// Counts each row again in another unit than the counter's UTF-16 units.
class UnitRecount final : public ForwardingSink
{
public:
    UnitRecount(LengthUnit unit, RowSink& next)
        : m_unit(unit)
        , m_next(next)
    { }

    void addRow(std::string_view lineBytes, CharacterCount, LineNumber lineNumber) override
    {
        m_next.addRow(lineBytes, CharacterCount(lineLength(lineBytes, m_unit)), lineNumber);
        adoptFailure(m_next);
    }

private:
    const LengthUnit m_unit;
    RowSink& m_next;
};

} // namespace velmora
