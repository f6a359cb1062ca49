#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace velmora {

/// Per result row, where its line starts in the rows' text, its count and how many bytes of
/// a head come before the line there, in 8 bytes in fixed-size segments that never move (but for a
/// first segment started smaller, as it grows). The lines lie one after another, so a line's length
/// is where the next one starts less where it starts: nothing limits it but the text's size.
class RowRecords
{
public:
    /// Offsets and counts stay below 2^48 (256 TiB).
    static constexpr std::uint64_t valueLimit = std::uint64_t(1) << 48;
    /// A row's head has fewer bytes than this.
    static constexpr unsigned headLimit = 8;

    /// Rows a segment holds.
    static constexpr int segmentRows = 1 << 16;

    /// The first segment holds `firstSegmentRows` (1 to segmentRows) at first and doubles as
    /// rows come until it holds segmentRows: tests start it small, which costs less to make.
    explicit RowRecords(int rowLimit = std::numeric_limits<int>::max(),
                        int firstSegmentRows = segmentRows)
        : m_rowLimit(rowLimit)
        , m_firstSegmentRows(firstSegmentRows)
    { }
    RowRecords(RowRecords&& other) noexcept;
    RowRecords& operator=(RowRecords&& other) noexcept;

    int rowCount() const { return m_rowCount; }
    /// No row can be added: rows are addressed by int, as the list shows them.
    bool isFull() const { return m_rowCount >= m_rowLimit; }
    /// Whether a row of `length` bytes and `count` can follow the rows so far.
    bool fits(std::uint64_t length, std::uint64_t count) const
    {
        return count < valueLimit && length < valueLimit - m_end;
    }
    /// Makes room for a row with `count` after the rows so far, so that append() cannot fail;
    /// throws std::bad_alloc when memory runs out.
    void reserveNext(std::uint64_t count)
    {
        if (m_rowCount == m_capacity || (!isNarrow(count) && m_wide.size() == m_wide.capacity()))
            makeRoom(count);
    }
    /// Adds a row whose text, `headBytes` (below headLimit) and then the line, `length` bytes
    /// in all, starts where the last one ended; only when !isFull() and fits().
    void append(std::uint64_t length, std::uint64_t count, unsigned headBytes = 0)
    {
        reserveNext(count);
        std::uint64_t& record
            = m_segments.back().records[std::size_t(m_rowCount) & (segmentRows - 1)];
        if (isNarrow(count))
            record = (count << countShift) | (std::uint64_t(headBytes) << offsetBits)
                | (m_end - m_segments.back().start);
        else
            appendWide(record, count, headBytes);
        m_end += length;
        ++m_rowCount;
    }

    std::uint64_t offset(int row) const { return unpack(row).offset; }
    std::uint64_t count(int row) const { return unpack(row).count; }
    unsigned headBytes(int row) const { return unpack(row).headBytes; }
    std::uint64_t length(int row) const
    {
        return (row + 1 < m_rowCount ? offset(row + 1) : m_end) - offset(row);
    }
    /// Where the rows' text ends: the total length of every row's text.
    std::uint64_t end() const { return m_end; }
    const void* address(int row) const { return &slot(row); }

    /// Forgets every row and gives the memory back.
    void clear();

private:
    // A record holds the count in its top 21 bits, the head's bytes in the next 3 and, below
    // them, the row's offset from the start of its segment in 40 bits. A row whose count or
    // offset does not fit (a line of 2 million characters or more, a segment of over 1 TiB)
    // has all 21 count bits set and the place of its values in m_wide below them.
    static constexpr int offsetBits = 40;
    static constexpr int headBits = 3;
    static constexpr int countShift = offsetBits + headBits;
    static constexpr std::uint64_t offsetMask = (std::uint64_t(1) << offsetBits) - 1;
    static constexpr std::uint64_t wideMark = (std::uint64_t(1) << (64 - countShift)) - 1;
    static_assert(headLimit == 1u << headBits);
    static constexpr int segmentBits = 16;
    static_assert(segmentRows == 1 << segmentBits);

    struct Segment
    {
        std::unique_ptr<std::uint64_t[]> records;
        /// Where the segment's first line starts.
        std::uint64_t start;
    };
    struct Values
    {
        std::uint64_t offset;
        std::uint64_t count;
        unsigned headBytes;
    };

    const std::uint64_t& slot(int row) const
    {
        return m_segments[std::size_t(row) >> segmentBits]
            .records[std::size_t(row) & (segmentRows - 1)];
    }
    Values unpack(int row) const
    {
        const std::uint64_t record = slot(row);
        if ((record >> countShift) == wideMark)
            return m_wide[record & offsetMask];
        return { m_segments[std::size_t(row) >> segmentBits].start + (record & offsetMask),
                 record >> countShift, unsigned(record >> offsetBits) & (headLimit - 1) };
    }
    /// Whether the next row's values fit its record; a row that opens a segment starts it.
    bool isNarrow(std::uint64_t count) const
    {
        const std::uint64_t start = m_rowCount < m_capacity ? m_segments.back().start : m_end;
        return count < wideMark && m_end - start <= offsetMask;
    }
    void makeRoom(std::uint64_t count);
    void appendWide(std::uint64_t& record, std::uint64_t count, unsigned headBytes);

    std::vector<Segment> m_segments;
    std::vector<Values> m_wide;
    int m_rowLimit;
    int m_firstSegmentRows;
    int m_rowCount = 0;
    /// Rows the segments hold.
    int m_capacity = 0;
    std::uint64_t m_end = 0;
};

} // namespace velmora
