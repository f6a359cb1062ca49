#pragma once

#include "row_sink.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

/// The result rows of a count, held compactly: the line bytes one after another in large
/// blocks, and per row one 16-byte record in fixed-size segments. Neither ever moves once
/// written, so growing never copies and never needs twice the memory.
class ResultStore final : public RowSink
{
public:
    ResultStore() = default;
    ResultStore(ResultStore&&) noexcept = default;
    ResultStore& operator=(ResultStore&&) noexcept = default;

    /// Keeps a copy of the row. A line of 4 GiB or more, a row past the last one a list can
    /// show, or memory running out fails the row instead.
    void addRow(std::string_view lineBytes, std::uint64_t count, std::uint64_t lineNumber) override;

    /// Rows from 0 to rowCount() - 1, in the order they were added.
    int rowCount() const { return m_rowCount; }
    std::uint64_t count(int row) const { return record(row).count; }
    std::string_view bytes(int row) const
    {
        const Record& r = record(row);
        return { m_blocks[r.block].get() + r.offset, r.length };
    }

    /// Ask for a row's record, and once that is at hand its line, before they are read: rows
    /// read in a sorted order lie all over memory and would otherwise arrive one at a time.
    void prefetchRecord(int row) const { prefetchAddress(&record(row)); }
    void prefetchLine(int row) const { prefetchAddress(bytes(row).data()); }

    /// Forgets every row and gives the memory back.
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

    struct Record
    {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t count;
    };
    static constexpr int segmentBits = 16;
    static constexpr int segmentSize = 1 << segmentBits;

    const Record& record(int row) const
    {
        return m_segments[std::size_t(row) >> segmentBits][std::size_t(row) & (segmentSize - 1)];
    }
    char* reserveBytes(std::size_t length, std::uint32_t& block, std::uint32_t& offset);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockCapacity = 0;
    std::vector<std::unique_ptr<Record[]>> m_segments;
    int m_rowCount = 0;
};

} // namespace velmora
