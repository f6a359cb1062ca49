#include "row_records.h"

#include <utility>

namespace velmora {

RowRecords::RowRecords(RowRecords&& other) noexcept
    : m_segments(std::move(other.m_segments))
    , m_wide(std::move(other.m_wide))
    , m_rowLimit(other.m_rowLimit)
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
        m_rowCount = std::exchange(other.m_rowCount, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_end = std::exchange(other.m_end, 0);
    }
    return *this;
}

void RowRecords::makeRoom(std::uint64_t count)
{
    if (m_rowCount == m_capacity) {
        m_segments.reserve(m_segments.size() + 1);
        // Not value-initialised: a segment's pages cost nothing until rows fill them.
        m_segments.push_back(
            { std::unique_ptr<std::uint64_t[]>(new std::uint64_t[segmentSize]), m_end });
        m_capacity += segmentSize;
    }
    if (!isNarrow(count) && m_wide.size() == m_wide.capacity())
        m_wide.reserve(2 * m_wide.size() + 1);
}

void RowRecords::appendWide(std::uint64_t& record, std::uint64_t count)
{
    record = (wideMark << offsetBits) | m_wide.size();
    m_wide.push_back({ m_end, count });
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
