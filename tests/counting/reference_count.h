#pragma once

#include "collecting_sink.h"
#include "counting/line_filter.h"

#include <QByteArray>
#include <QStringDecoder>

namespace velmora::testing {

/// The rows of an 8-bit text the slow and obvious way, to hold the engine against: cut at
/// line feeds, carriage returns removed, each line decoded as a whole by Qt, lines numbered
/// from 1.
inline QList<CollectedRow> referenceRows(const QByteArray& text, const LineFilter& filter)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    QList<CollectedRow> rows;
    std::uint64_t lineNumber = 0;
    for (QByteArray line : text.split('\n')) {
        ++lineNumber;
        line.replace('\r', QByteArray());
        if (line.isEmpty())
            continue;
        const QString decoded = decoder(line);
        const bool holds = decoded.contains(filter.text, filter.caseSensitivity);
        bool passes = false;
        switch (filter.mode) {
        case LineFilterMode::Containing:
            passes = holds;
            break;
        case LineFilterMode::NotContaining:
            passes = !filter.text.isEmpty() && !holds;
            break;
        case LineFilterMode::Every:
            passes = true;
            break;
        case LineFilterMode::Nothing:
            passes = false;
            break;
        }
        if (passes)
            rows.append({ line.toStdString(), std::uint64_t(decoded.size()), lineNumber });
    }
    return rows;
}

} // namespace velmora::testing
