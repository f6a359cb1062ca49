#include "sorted_row_passes.h"

#include "counting/rows/shown_rows.h"
#include "counting/text/count_text.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace velmora {

namespace {

/// Counts below this are looked up in tables indexed by the count itself: nearly every line.
constexpr std::uint64_t narrowCounts = std::uint64_t(1) << 16;

/// Far enough ahead to cover the memory's latency; the line is asked for later than its
/// record, which has to be there to find it.
constexpr std::size_t recordDistance = 32;
constexpr std::size_t lineDistance = 16;

} // namespace

SortedRowPasses::SortedRowPasses(const ShownRows& rows, bool withCounts, std::string_view lineEnd)
    : m_rows(rows)
    , m_withCounts(withCounts)
    , m_lineEnd(lineEnd)
{
    findGroups();
}

std::uint64_t SortedRowPasses::passLimit(std::uint64_t totalBytes, std::uint64_t memoryBytes,
                                         std::uint64_t bufferBytes)
{
    if (totalBytes > memoryBytes / 2)
        return std::max(std::uint64_t(16) << 20, memoryBytes / 8);
    // Text in memory is read as fast in a few MiB at a time as in a larger share, and a pass
    // costs no walk over every row: a small pass keeps the save within the memory the rows leave.
    return bufferBytes;
}

std::size_t SortedRowPasses::putFrame(char* out, std::uint64_t count) const
{
    return m_withCounts ? std::size_t(putCountAndTab(out, count) - out) : 0;
}

void SortedRowPasses::findGroups()
{
    // One walk through the rows in stored order, which is cheap, adds up each count's rows.
    // The table of narrow counts reaches only as far as the largest one there is.
    const ResultStore& store = m_rows.store();
    std::vector<Group> narrow;
    std::map<std::uint64_t, Group> wide;
    for (int row = 0; row < store.rowCount(); ++row) {
        const std::uint64_t count = store.count(row);
        if (count < narrowCounts && count >= narrow.size())
            narrow.resize(std::size_t(count) + 1);
        Group& group = count < narrowCounts ? narrow[count] : wide[count];
        ++group.rows;
        group.bytes += store.length(row);
    }
    const auto take = [this](std::uint64_t count, Group group) {
        if (group.rows == 0)
            return;
        group.count = count;
        char frame[countAndTabRoom];
        group.bytes += std::uint64_t(group.rows) * (putFrame(frame, count) + m_lineEnd.size());
        m_totalBytes += group.bytes;
        m_groups.push_back(group);
    };
    if (m_rows.sortOrder() == Qt::DescendingOrder) {
        for (auto it = wide.rbegin(); it != wide.rend(); ++it)
            take(it->first, it->second);
        for (std::uint64_t count = narrow.size(); count-- > 0;)
            take(count, narrow[count]);
    } else {
        for (std::uint64_t count = 0; count < narrow.size(); ++count)
            take(count, narrow[count]);
        for (const auto& [count, group] : wide)
            take(count, group);
    }
    m_narrowCounts = narrow.size();
}

void SortedRowPasses::cut(std::uint64_t passLimit)
{
    m_passes.clear();
    Pass pass;
    const auto close = [&] {
        if (pass.endGroup > pass.firstGroup)
            m_passes.push_back(pass);
        pass.begin = pass.end;
        pass.bytes = 0;
        pass.firstGroup = pass.endGroup;
    };
    for (const Group& group : m_groups) {
        if (pass.bytes + group.bytes > passLimit)
            close();
        pass.gathered = group.bytes <= passLimit;
        pass.end += group.rows;
        pass.bytes += group.bytes;
        ++pass.endGroup;
        if (!pass.gathered)
            close();
    }
    close();
}

SortedRowPasses::Place& SortedRowPasses::placeOf(std::uint64_t count)
{
    if (count < narrowCounts)
        return m_places[m_placeOfNarrowCount[count]];
    const auto found = std::lower_bound(m_placeOfWideCount.begin(), m_placeOfWideCount.end(),
                                        std::make_pair(count, std::uint32_t(0)));
    return m_places[found->second];
}

void SortedRowPasses::gather(const Pass& pass, char* buffer)
{
    // Where each group of the pass starts in the buffer, and the frame of its rows.
    m_places.clear();
    m_placeOfWideCount.clear();
    m_placeOfNarrowCount.resize(m_narrowCounts);
    std::uint64_t start = 0;
    for (std::size_t g = pass.firstGroup; g < pass.endGroup; ++g) {
        const Group& group = m_groups[g];
        Place place;
        place.next = start;
        place.frameSize = putFrame(place.frame, group.count);
        const auto index = std::uint32_t(m_places.size());
        if (group.count < narrowCounts)
            m_placeOfNarrowCount[group.count] = index;
        else
            m_placeOfWideCount.emplace_back(group.count, index);
        m_places.push_back(place);
        start += group.bytes;
    }
    std::sort(m_placeOfWideCount.begin(), m_placeOfWideCount.end());

    // The pass's rows in stored order: marked one bit each, then read off the bits.
    const ResultStore& store = m_rows.store();
    m_inPass.resize((std::size_t(store.rowCount()) + 63) / 64);
    m_wordsInPass.resize((m_inPass.size() + 63) / 64);
    for (int position = pass.begin; position < pass.end; ++position) {
        const auto row = std::size_t(m_rows.storeRow(position));
        m_inPass[row / 64] |= std::uint64_t(1) << (row % 64);
        m_wordsInPass[row / 4096] |= std::uint64_t(1) << (row / 64 % 64);
    }
    // Only the words marked are read, so that a small pass costs no walk over every row.
    m_storedOrder.clear();
    for (std::size_t block = 0; block < m_wordsInPass.size(); ++block) {
        for (std::uint64_t words = m_wordsInPass[block]; words != 0; words &= words - 1) {
            const std::size_t word = block * 64 + std::size_t(__builtin_ctzll(words));
            for (std::uint64_t bits = m_inPass[word]; bits != 0; bits &= bits - 1) {
                m_storedOrder.push_back(
                    std::uint32_t(word * 64 + std::size_t(__builtin_ctzll(bits))));
            }
            m_inPass[word] = 0;
        }
        m_wordsInPass[block] = 0;
    }

    const std::size_t rows = m_storedOrder.size();
    for (std::size_t i = 0; i < rows; ++i) {
        if (i + recordDistance < rows)
            store.prefetchRecord(int(m_storedOrder[i + recordDistance]));
        if (i + lineDistance < rows)
            store.prefetchLine(int(m_storedOrder[i + lineDistance]));
        const int row = int(m_storedOrder[i]);
        const std::string_view line = store.bytes(row);
        Place& place = placeOf(store.count(row));
        char* out = buffer + place.next;
        std::memcpy(out, place.frame, place.frameSize);
        out += place.frameSize;
        std::memcpy(out, line.data(), line.size());
        out += line.size();
        std::memcpy(out, m_lineEnd.data(), m_lineEnd.size());
        place.next = std::uint64_t(out + m_lineEnd.size() - buffer);
    }
}

} // namespace velmora
