#pragma once

#include "counting/scan/row_sink.h"
#include "row_records.h"
#include "spill_file.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace velmora {

/// The result rows of a count, each costing an 8-byte record in the program's memory: the
/// lines themselves go one after another into a spill file, which the system keeps in memory
/// while there is room and on disk when there is not, each after its line number in a few
/// bytes. Results thus never depend on the input files after the count, and inputs larger
/// than memory give rows all the same. Which file a row comes from is kept per file, not per
/// row: a table of the first row of each file.
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

    /// The rows added from now on come from the file at `path`, until the next call.
    void beginFile(const QString& path);

    /// Keeps a copy of the row. A row past the last one a list can show, a
    /// line the records cannot place, memory running out or a spill file that cannot take the line
    /// (a full disk) fails the row instead, keeping every row before it.
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;

    /// Rows from 0 to rowCount() - 1, in the order they were added.
    int rowCount() const { return m_records.rowCount(); }
    std::uint64_t count(int row) const { return m_records.count(row); }
    /// The line's length in bytes, read from the records alone.
    std::uint64_t length(int row) const { return m_records.length(row) - m_records.headBytes(row); }
    /// The line of `row`; valid until the next addRow() or clear().
    std::string_view bytes(int row) const
    {
        const unsigned head = m_records.headBytes(row);
        return { m_text.at(m_records.offset(row)) + head,
                 std::size_t(m_records.length(row) - head) };
    }
    /// Where the line of `row` stands in its file, from 1.
    std::uint64_t lineNumber(int row) const;
    /// The path given to beginFile() before `row` was added; empty when none was.
    QString filePath(int row) const;

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

    struct FileRows
    {
        int firstRow;
        QString path;
    };

    SpillFile m_text;
    RowRecords m_records;
    /// In row order; a file that gave no rows has no entry.
    std::vector<FileRows> m_files;
};

} // namespace velmora
