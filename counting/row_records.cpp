#include "row_records.h"

#include <utility>

namespace velmora {

RowRecords::RowRecords(RowRecords&& other) noexcept
    : m_segments(std::move(other.m_segments))
    , m_wide(std::move(other.m_wide))
    , m_rowLimit(other.m_rowLimit)
    , m_rowCount(std::exchange(other.m_rowCount, 0))
    , m_end(std::exchange(other.m_end, 0))
{ }

RowRecords& RowRecords::operator=(RowRecords&& other) noexcept
{
    if (this != &other) {
        m_segments = std::move(other.m_segments);
        m_wide = std::move(other.m_wide);
        m_rowLimit = other.m_rowLimit;
        m_rowCount = std::exchange(other.m_rowCount, 0);
        m_end = std::exchange(other.m_end, 0);
    }
    return *this;
}

void RowRecords::reserveNext(std::uint64_t count)
{
    if ((std::size_t(m_rowCount) >> segmentBits) == m_segments.size()) {
        m_segments.reserve(m_segments.size() + 1);
        // Not value-initialised: a segment's pages cost nothing until rows fill them.
        m_segments.push_back(
            { std::unique_ptr<std::uint64_t[]>(new std::uint64_t[segmentSize]), m_end });
    }
    if (!isNarrow(count) && m_wide.size() == m_wide.capacity())
        m_wide.reserve(2 * m_wide.size() + 1);
}

void RowRecords::append(std::uint64_t length, std::uint64_t count)
{
    reserveNext(count);
    Segment& segment = m_segments[std::size_t(m_rowCount) >> segmentBits];
    std::uint64_t& record = segment.records[std::size_t(m_rowCount) & (segmentSize - 1)];
    if (isNarrow(count)) {
        record = (count << offsetBits) | (m_end - segment.start);
    } else {
        record = (wideMark << offsetBits) | m_wide.size();
        m_wide.push_back({ m_end, count });
    }
    m_end += length;
    ++m_rowCount;
}

bool RowRecords::isNarrow(std::uint64_t count) const
{
    // The segment of the next row starts at m_end when that row opens it.
    const std::size_t segment = std::size_t(m_rowCount) >> segmentBits;
    const std::uint64_t start = segment < m_segments.size() ? m_segments[segment].start : m_end;
    return count < wideMark && m_end - start <= offsetMask;
}

void RowRecords::clear()
{
    decltype(m_segments)().swap(m_segments);
    decltype(m_wide)().swap(m_wide);
    m_rowCount = 0;
    m_end = 0;
}

} // namespace velmora
