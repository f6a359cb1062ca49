#include "row_records.h"

#include "present_pages.h"

#include <algorithm>
#include <utility>

namespace velmora {

RowRecords::RowRecords(RowRecords&& other) noexcept
    : m_segments(std::move(other.m_segments))
    , m_wide(std::move(other.m_wide))
    , m_rowLimit(other.m_rowLimit)
    , m_firstSegmentRows(other.m_firstSegmentRows)
    , m_rowCount(std::exchange(other.m_rowCount, 0))
    , m_capacity(std::exchange(other.m_capacity, 0))
    , m_end(std::exchange(other.m_end, 0))
{ }

RowRecords& RowRecords::operator=(RowRecords&& other) noexcept
{
    if (this != &other) {
        m_segments = std::move(other.m_segments);
        m_wide = std::move(other.m_wide);
        m_rowLimit = other.m_rowLimit;
        m_firstSegmentRows = other.m_firstSegmentRows;
        m_rowCount = std::exchange(other.m_rowCount, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_end = std::exchange(other.m_end, 0);
    }
    return *this;
}

void RowRecords::makeRoom(std::uint64_t count)
{
    if (m_rowCount == m_capacity) {
        // Not value-initialised: a segment's pages cost nothing until rows fill them.
        if (m_capacity > 0 && m_capacity < segmentRows) {
            // The first segment, started small, doubles; its records move with it.
            const int rows = std::min(2 * m_capacity, segmentRows);
            std::unique_ptr<std::uint64_t[]> records(new std::uint64_t[std::size_t(rows)]);
            std::copy_n(m_segments.front().records.get(), m_capacity, records.get());
            m_segments.front().records = std::move(records);
            m_capacity = rows;
        } else {
            const int rows = m_segments.empty() ? m_firstSegmentRows : segmentRows;
            m_segments.reserve(m_segments.size() + 1);
            m_segments.push_back(
                { std::unique_ptr<std::uint64_t[]>(new std::uint64_t[std::size_t(rows)]), m_end });
            // A full segment's rows come soon after one another: its pages are made present
            // together rather than faulted in one by one.
            if (rows == segmentRows)
                makePagesPresent(m_segments.back().records.get(),
                                 std::size_t(rows) * sizeof(std::uint64_t));
            m_capacity += rows;
        }
    }
    if (!isNarrow(count) && m_wide.size() == m_wide.capacity())
        m_wide.reserve(2 * m_wide.size() + 1);
}

void RowRecords::appendWide(std::uint64_t& record, std::uint64_t count, unsigned headBytes)
{
    record = (wideMark << countShift) | m_wide.size();
    m_wide.push_back({ m_end, count, headBytes });
}

void RowRecords::clear()
{
    decltype(m_segments)().swap(m_segments);
    decltype(m_wide)().swap(m_wide);
    m_rowCount = 0;
    m_capacity = 0;
    m_end = 0;
}

} // namespace velmora
