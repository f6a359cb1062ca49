#pragma once

#include <QString>

#include <cstdint>
#include <string_view>
#include <utility>

namespace velmora {

class RowPacker;

/// A row's count: the line's length in UTF-16 units, or in the unit velmora-count was asked
/// for. A type of its own, like LineNumber, so that a call cannot give one for the other.
struct CharacterCount
{
    explicit constexpr CharacterCount(std::uint64_t units)
        : value(units)
    { }
    std::uint64_t value;
};

/// Where a line stands in its file, from 1, every line counted as an editor counts them,
/// empty ones included; 0 for a row that stands for no single line.
struct LineNumber
{
    explicit constexpr LineNumber(std::uint64_t number)
        : value(number)
    { }
    std::uint64_t value;
};

/// Where the counter hands the lines that pass the filter: the result store, or a writer that
/// streams them out. Rows arrive in file order, then line order.
class RowSink
{
public:
    virtual ~RowSink() = default;

    /// `lineBytes`: the line in the system code page (UTF-8), carriage returns removed, never
    /// empty, except for a sink that needs no line bytes: it is handed none for a line too
    /// long to keep. A sink that cannot keep the row calls failRow() instead.
    virtual void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber)
        = 0;

    /// False for a sink that reads only the counts: then a line of gigabytes is counted as it
    /// comes, without its bytes being kept anywhere.
    virtual bool needsLineBytes() const { return true; }

    /// The sink's own buffer, for a sink that writes rows out as bytes: the counter packs
    /// rows there itself. Null for any other sink, which takes every row through addRow().
    virtual RowPacker* rowPacker() { return nullptr; }

    /// True once a row could not be kept; the counter then skips the rest of that file.
    bool rowFailed() const { return m_rowFailed; }

    /// Why the row could not be kept. Clears the failure, so the next file starts afresh.
    QString takeRowFailure()
    {
        m_rowFailed = false;
        return std::exchange(m_rowFailure, {});
    }

protected:
    void failRow(const QString& description)
    {
        m_rowFailed = true;
        m_rowFailure = description;
    }

private:
    bool m_rowFailed = false;
    QString m_rowFailure;
};

} // namespace velmora
