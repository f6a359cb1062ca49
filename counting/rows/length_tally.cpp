#include "length_tally.h"

#include "result_store.h"

#include <algorithm>

namespace velmora {

namespace {

/// Counts below this are tallied in a table indexed by the count: nearly every line, and a
/// table small enough to stay in the cache.
constexpr std::uint64_t narrowCounts = std::uint64_t(1) << 16;

constexpr int rowsBetweenStops = 1 << 16;

void tallyCount(std::uint64_t count, std::vector<std::uint32_t>& narrow,
                std::vector<std::uint64_t>& wide)
{
    if (count < narrowCounts)
        ++narrow[std::size_t(count)];
    else
        wide.push_back(count);
}

} // namespace

LengthTally::LengthTally(const std::vector<std::uint32_t>& narrow, std::vector<std::uint64_t> wide)
{
    std::uint64_t atMost = 0;
    for (std::size_t count = 0; count < narrow.size(); ++count) {
        if (narrow[count] == 0)
            continue;
        atMost += narrow[count];
        m_distinct.push_back({ count, atMost });
    }
    std::sort(wide.begin(), wide.end());
    for (const std::uint64_t count : wide) {
        ++atMost;
        if (!m_distinct.empty() && m_distinct.back().count == count)
            m_distinct.back().atMost = atMost;
        else
            m_distinct.push_back({ count, atMost });
    }
}

std::optional<LengthTally> LengthTally::of(const ResultStore& store, const std::atomic<bool>& stop)
{
    // Rows are addressed by int, so no count's tally passes 32 bits.
    std::vector<std::uint32_t> narrow(narrowCounts);
    std::vector<std::uint64_t> wide;
    const int rows = store.rowCount();
    for (int begin = 0; begin < rows; begin += rowsBetweenStops) {
        if (stop.load(std::memory_order_relaxed))
            return std::nullopt;
        const int end = std::min(rows, begin + rowsBetweenStops);
        for (int row = begin; row < end; ++row)
            tallyCount(store.count(row), narrow, wide);
    }
    return LengthTally(narrow, std::move(wide));
}

LengthTally LengthTally::ofCounts(const std::vector<std::uint64_t>& counts)
{
    std::vector<std::uint32_t> narrow(narrowCounts);
    std::vector<std::uint64_t> wide;
    for (const std::uint64_t count : counts)
        tallyCount(count, narrow, wide);
    return LengthTally(narrow, std::move(wide));
}

std::uint64_t LengthTally::percentile(int percent) const
{
    // ceil(percent × rows / 100), in integers: no rounding can move the rank.
    const std::uint64_t rank = (std::uint64_t(percent) * rowCount() + 99) / 100;
    const auto found = std::lower_bound(
        m_distinct.begin(), m_distinct.end(), std::max<std::uint64_t>(rank, 1),
        [](const Distinct& distinct, std::uint64_t wanted) { return distinct.atMost < wanted; });
    return found->count;
}

std::uint64_t LengthTally::rowsLongerThan(std::uint64_t count) const
{
    const auto firstLonger = std::upper_bound(
        m_distinct.begin(), m_distinct.end(), count,
        [](std::uint64_t wanted, const Distinct& distinct) { return wanted < distinct.count; });
    if (firstLonger == m_distinct.begin())
        return rowCount();
    return rowCount() - std::prev(firstLonger)->atMost;
}

LengthBucket bucketOf(std::uint64_t count)
{
    if (count == 0)
        return { 0, 0, 0 };
    // 1, 2 and 5 times a power of ten, as far as they fit; beyond, one last bucket.
    std::uint64_t below = 0;
    for (std::uint64_t power = 1; power <= UINT64_MAX / 10; power *= 10) {
        for (const std::uint64_t step : { 1u, 2u, 5u }) {
            if (count <= step * power)
                return { below + 1, step * power, 0 };
            below = step * power;
        }
    }
    return { below + 1, UINT64_MAX, 0 };
}

std::vector<LengthBucket> LengthTally::buckets() const
{
    std::vector<LengthBucket> buckets;
    std::uint64_t rowsBefore = 0;
    for (const Distinct& distinct : m_distinct) {
        // Empty buckets up to this count's own, so that the scale has no gaps.
        while (buckets.empty() || buckets.back().high < distinct.count)
            buckets.push_back(bucketOf(buckets.empty() ? distinct.count : buckets.back().high + 1));
        buckets.back().rows += distinct.atMost - rowsBefore;
        rowsBefore = distinct.atMost;
    }
    return buckets;
}

} // namespace velmora
