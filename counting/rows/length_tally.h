#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora {

class ResultStore;

/// Rows whose counts lie from `low` to `high`, both included.
struct LengthBucket
{
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::uint64_t rows = 0;
};

/// How the counts of a list's rows spread: how many rows have each count. The percentiles, the
/// rows longer than a count and the histogram all come from it exactly, whatever the order the
/// rows are shown in.
class LengthTally
{
public:
    /// Tallies the counts of every row of `store`, read from its records. Empty when `stop` is
    /// set before the end; it is looked at every few thousand rows.
    static std::optional<LengthTally> of(const ResultStore& store, const std::atomic<bool>& stop);
    static LengthTally ofCounts(const std::vector<std::uint64_t>& counts);

    std::uint64_t rowCount() const { return m_distinct.empty() ? 0 : m_distinct.back().atMost; }
    /// Nearest rank: the count of the row at rank ceil(`percent` / 100 × rows) in ascending
    /// order, for `percent` from 1 to 100; the median is the 50th. Only when rowCount() > 0.
    std::uint64_t percentile(int percent) const;
    /// Only when rowCount() > 0.
    std::uint64_t longest() const { return m_distinct.back().count; }
    std::uint64_t rowsLongerThan(std::uint64_t count) const;
    /// Buckets on a 1-2-5 scale (1, 2, 3-5, 6-10, 11-20, 21-50, ...), which keeps a few dozen
    /// of them readable from one unit to billions; from the first bucket holding rows to the
    /// last, the empty ones between included.
    std::vector<LengthBucket> buckets() const;

private:
    struct Distinct
    {
        std::uint64_t count;
        /// Rows whose count is at most `count`.
        std::uint64_t atMost;
    };

    /// `narrow[c]` rows of count c, and the wider counts one per row in any order.
    LengthTally(const std::vector<std::uint32_t>& narrow, std::vector<std::uint64_t> wide);

    std::vector<Distinct> m_distinct;
};

/// The bucket of the 1-2-5 scale that holds `count`, without rows: 0, 1, 2, 3-5, 6-10, 11-20, ...
LengthBucket bucketOf(std::uint64_t count);

} // namespace velmora
