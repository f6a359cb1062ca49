#pragma once

#include "collecting_sink.h"
#include "counting/match/line_filter.h"

#include <QByteArray>
#include <QStringDecoder>

namespace velmora::testing {

/// What Qt makes of a line of an 8-bit text: decoded first, carriage returns removed after.
inline QString decodedLine(const QByteArray& line)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    QString decoded = decoder(line);
    decoded.remove(u'\r');
    return decoded;
}

/// The rows of an 8-bit text the slow and obvious way, to hold the engine against: cut at
/// line feeds, each line decoded as a whole by Qt, carriage returns removed after.
inline QList<CollectedRow> referenceRows(const QByteArray& text, const LineFilter& filter)
{
    QList<CollectedRow> rows;
    std::uint64_t lineNumber = 0;
    for (QByteArray line : text.split('\n')) {
        ++lineNumber;
        const QString decoded = decodedLine(line);
        line.replace('\r', QByteArray());
        if (line.isEmpty())
            continue;
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
