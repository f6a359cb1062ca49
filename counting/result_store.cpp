#include "result_store.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace velmora {

namespace {

// Blocks start small so that a handful of rows costs little, and grow to a size that makes
// the space left unused at the end of each block negligible.
constexpr std::size_t firstBlockSize = std::size_t(1) << 20;
constexpr std::size_t largestBlockSize = std::size_t(64) << 20;

} // namespace

void ResultStore::addRow(std::string_view lineBytes, std::uint64_t count, std::uint64_t)
{
    if (lineBytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        failRow(QCoreApplication::translate("ResultStore", "A line of %1 bytes is too long to keep")
                    .arg(lineBytes.size()));
        return;
    }
    if (m_rowCount == std::numeric_limits<int>::max()) {
        failRow(QCoreApplication::translate("ResultStore", "Too many rows to keep"));
        return;
    }
    const std::size_t segment = std::size_t(m_rowCount) >> segmentBits;
    std::uint32_t block = 0;
    std::uint32_t offset = 0;
    try {
        if (segment == m_segments.size())
            m_segments.emplace_back(new Record[segmentSize]);
        char* target = reserveBytes(lineBytes.size(), block, offset);
        std::memcpy(target, lineBytes.data(), lineBytes.size());
    } catch (const std::bad_alloc&) {
        failRow(qt_error_string(ENOMEM));
        return;
    }
    m_segments[segment][std::size_t(m_rowCount) & (segmentSize - 1)]
        = { block, offset, std::uint32_t(lineBytes.size()), std::uint32_t(count) };
    ++m_rowCount;
}

char* ResultStore::reserveBytes(std::size_t length, std::uint32_t& block, std::uint32_t& offset)
{
    if (m_blocks.empty() || m_blockCapacity - m_blockUsed < length) {
        const std::size_t grown
            = m_blocks.empty() ? firstBlockSize : std::min(2 * m_blockCapacity, largestBlockSize);
        const std::size_t capacity = std::max(grown, length);
        m_blocks.reserve(m_blocks.size() + 1);
        // Not value-initialised: the pages of a fresh block cost nothing until rows fill them.
        m_blocks.emplace_back(new char[capacity]);
        m_blockCapacity = capacity;
        m_blockUsed = 0;
    }
    block = std::uint32_t(m_blocks.size() - 1);
    offset = std::uint32_t(m_blockUsed);
    m_blockUsed += length;
    return m_blocks.back().get() + offset;
}

void ResultStore::clear()
{
    decltype(m_blocks)().swap(m_blocks);
    decltype(m_segments)().swap(m_segments);
    m_blockUsed = 0;
    m_blockCapacity = 0;
    m_rowCount = 0;
}

} // namespace velmora
