#pragma once

#include "counting/scan/row_sink.h"

#include <QList>
#include <QString>

#include <string>
#include <type_traits>

namespace velmora::testing {

// A row's count and its line number go in as types of their own: a call that swaps them, or
// hands in a bare number, does not compile.
using AddRow = decltype(&RowSink::addRow);
static_assert(std::is_invocable_v<AddRow, RowSink&, std::string_view, CharacterCount, LineNumber>);
static_assert(!std::is_invocable_v<AddRow, RowSink&, std::string_view, LineNumber, CharacterCount>);
static_assert(!std::is_invocable_v<AddRow, RowSink&, std::string_view, std::uint64_t, LineNumber>);
static_assert(!std::is_invocable_v<AddRow, RowSink&, std::string_view, CharacterCount, int>);

struct CollectedRow
{
    std::string bytes;
    std::uint64_t count = 0;
    std::uint64_t lineNumber = 0;

    bool operator==(const CollectedRow& other) const
    {
        return bytes == other.bytes && count == other.count && lineNumber == other.lineNumber;
    }
};

/// Keeps every row, except that it fails the row numbered `failAt` (from 0).
class CollectingSink final : public RowSink
{
public:
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override
    {
        ++offered;
        if (offered - 1 == failAt) {
            failRow(QStringLiteral("No room for row %1").arg(offered - 1));
            return;
        }
        rows.append({ std::string(lineBytes), count.value, lineNumber.value });
    }

    QList<CollectedRow> rows;
    int failAt = -1;
    int offered = 0;
};

enum class LineNumbers { Left, Shown };

/// Rows written as "count:bytes" lines, or "line:count:bytes", so that a failed comparison
/// shows what differs.
inline QString describe(const QList<CollectedRow>& rows, LineNumbers numbers = LineNumbers::Left)
{
    QString text;
    for (const CollectedRow& row : rows) {
        if (numbers == LineNumbers::Shown)
            text += QString::number(row.lineNumber) + u':';
        text += QString::number(row.count) + u':'
            + QString::fromLatin1(QByteArray::fromStdString(row.bytes).toPercentEncoding(" \t"))
            + u'\n';
    }
    return text;
}

/// The rows' line numbers, joined by spaces.
inline QString lineNumbers(const QList<CollectedRow>& rows)
{
    QStringList numbers;
    for (const CollectedRow& row : rows)
        numbers << QString::number(row.lineNumber);
    return numbers.join(u' ');
}

} // namespace velmora::testing
