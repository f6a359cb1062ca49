#include "result_order.h"

#include "present_pages.h"
#include "result_store.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr int digitBits = 16;
constexpr std::size_t digitValues = std::size_t(1) << digitBits;

/// One stable counting-sort pass over `from` by one 16-bit digit of the count, whose values
/// all lie below `values`. Descending order walks the digit values from the top, which keeps
/// equal counts in their old order.
void sortPass(const ResultStore& store, const std::vector<std::uint32_t>* from,
              std::vector<std::uint32_t>& to, int shift, std::size_t values, Qt::SortOrder order)
{
    const auto rows = std::size_t(store.rowCount());
    const auto storeRow = [&](std::size_t i) { return from ? (*from)[i] : std::uint32_t(i); };
    const auto digit = [&](std::uint32_t row) {
        const auto value = std::size_t(store.count(int(row)) >> shift) & (digitValues - 1);
        return order == Qt::AscendingOrder ? value : values - 1 - value;
    };
    std::vector<std::size_t> starts(values + 1, 0);
    for (std::size_t i = 0; i < rows; ++i)
        ++starts[digit(storeRow(i)) + 1];
    for (std::size_t v = 1; v <= values; ++v)
        starts[v] += starts[v - 1];
    if (to.capacity() < rows) {
        to.reserve(rows);
        makePagesPresent(to.data(), rows * sizeof(std::uint32_t));
    }
    to.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        const std::uint32_t row = storeRow(i);
        to[starts[digit(row)]++] = row;
    }
}

} // namespace

void ResultOrder::reset(int rowCount)
{
    m_rowCount = rowCount;
    m_sorted = false;
    std::vector<std::uint32_t>().swap(m_storeRows);
}

void ResultOrder::sortByCount(const ResultStore& store, Qt::SortOrder order)
{
    // A least-significant-digit radix sort, one pass per 16-bit digit that some count uses:
    // nearly always one, as lines under 65536 characters need no second.
    std::uint64_t largest = 0;
    for (int row = 0; row < store.rowCount(); ++row)
        largest = std::max(largest, store.count(row));
    m_rowCount = store.rowCount();
    // A digit's values go no higher than the largest count's: a short list of short lines
    // does not pay for all 65536 of them.
    const auto values = [&](int shift) {
        return std::size_t(std::min<std::uint64_t>(digitValues, (largest >> shift) + 1));
    };
    sortPass(store, nullptr, m_storeRows, 0, values(0), order);
    std::vector<std::uint32_t> byLowerDigits;
    for (int shift = digitBits; shift < 64 && (largest >> shift) != 0; shift += digitBits) {
        byLowerDigits.swap(m_storeRows);
        sortPass(store, &byLowerDigits, m_storeRows, shift, values(shift), order);
    }
    m_sorted = true;
}

} // namespace velmora
