#pragma once

#include "counting/scan/row_sink.h"
#include "row_records.h"
#include "spill_file.h"

#include <cstdint>
#include <limits>
#include <string_view>

namespace velmora {

/// The result rows of a count, each costing an 8-byte record in the program's memory: the
/// lines themselves go one after another into a spill file, which the system keeps in memory
/// while there is room and on disk when there is not. Results thus never depend on the input
/// files after the count, and inputs larger than memory give rows all the same.
class ResultStore final : public RowSink
{
public:
    /// `firstSegmentRows` as RowRecords takes it.
    explicit ResultStore(SpillFile text = SpillFile(),
                         int rowLimit = std::numeric_limits<int>::max(),
                         int firstSegmentRows = RowRecords::segmentRows)
        : m_text(std::move(text))
        , m_records(rowLimit, firstSegmentRows)
    { }
    ResultStore(ResultStore&&) noexcept = default;
    ResultStore& operator=(ResultStore&&) noexcept = default;

    /// Keeps a copy of the row, without its line number. A row past the last one a list can show, a
    /// line the records cannot place, memory running out or a spill file that cannot take the line
    /// (a full disk) fails the row instead, keeping every row before it.
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;

    /// Rows from 0 to rowCount() - 1, in the order they were added.
    int rowCount() const { return m_records.rowCount(); }
    std::uint64_t count(int row) const { return m_records.count(row); }
    std::uint64_t length(int row) const { return m_records.length(row); }
    /// The line of `row`; valid until the next addRow() or clear().
    std::string_view bytes(int row) const
    {
        return { m_text.at(m_records.offset(row)), std::size_t(m_records.length(row)) };
    }

    /// Ask for a row's record, and once that is at hand its line, before they are read: rows
    /// read in a sorted order lie all over memory and would otherwise arrive one at a time.
    void prefetchRecord(int row) const { prefetchAddress(m_records.address(row)); }
    void prefetchLine(int row) const { prefetchAddress(m_text.at(m_records.offset(row))); }

    /// Forgets every row and gives the memory and the disk space back.
    void clear();

private:
    static void prefetchAddress(const void* address)
    {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(address);
#else
        (void)address;
#endif
    }

    SpillFile m_text;
    RowRecords m_records;
};

} // namespace velmora
