#pragma once

#include "counting/text/count_text.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

class ShownRows;

/// A sorted results list cut into passes, so that writing it out reads the rows' text in the
/// order it was stored instead of hopping all over it: rows with one count keep their stored
/// order when sorted, so the rows of a run of whole count groups can be read in stored order
/// and each put at its group's next place in a buffer. A group too large for the buffer is a
/// pass of its own, read in place: its rows already lie in stored order.
class SortedRowPasses
{
public:
    struct Pass
    {
        /// Positions shown, from `begin` to `end` - 1.
        int begin = 0;
        int end = 0;
        /// What the rows come to in the output.
        std::uint64_t bytes = 0;
        /// False for a single group larger than a pass may gather.
        bool gathered = false;
        /// The count groups it holds, from `firstGroup` to `endGroup` - 1.
        std::size_t firstGroup = 0;
        std::size_t endGroup = 0;
    };

    /// `rows` must be sorted and stay unchanged while the passes are in use. Each row is
    /// written as its count and a tab when `withCounts`, then the line and `lineEnd`.
    SortedRowPasses(const ShownRows& rows, bool withCounts, std::string_view lineEnd);

    /// What every row comes to in the output.
    std::uint64_t totalBytes() const { return m_totalBytes; }
    /// Cuts the list into passes that each gather at most `passLimit` bytes.
    void cut(std::uint64_t passLimit);
    const std::vector<Pass>& passes() const { return m_passes; }
    /// Fills `buffer`, which has room for `pass.bytes`, with the rows of a gathered pass in
    /// the order shown.
    void gather(const Pass& pass, char* buffer);

    /// How much one pass may gather for an output of `totalBytes` on a machine with
    /// `memoryBytes`, with two passes at hand at a time: while the text stays in memory, one
    /// writer's buffer of `bufferBytes`, which the pass is gathered into, so that a save uses
    /// little memory beside the rows; once the text has to be read back from disk, every pass
    /// reads all of it, so then as much as memory allows.
    static std::uint64_t passLimit(std::uint64_t totalBytes, std::uint64_t memoryBytes,
                                   std::uint64_t bufferBytes);

private:
    struct Group
    {
        std::uint64_t count = 0;
        int rows = 0;
        std::uint64_t bytes = 0;
    };
    /// Where the next row of a group goes in the buffer of its pass, and what precedes its line.
    struct Place
    {
        std::uint64_t next = 0;
        char frame[countAndTabRoom] = {};
        std::size_t frameSize = 0;
    };

    void findGroups();
    /// Writes the count and tab that precede a line of `count` at `out`, when rows have them,
    /// and says how long they are.
    std::size_t putFrame(char* out, std::uint64_t count) const;
    Place& placeOf(std::uint64_t count);

    const ShownRows& m_rows;
    bool m_withCounts;
    std::string_view m_lineEnd;
    /// The groups in the order shown.
    std::vector<Group> m_groups;
    std::uint64_t m_totalBytes = 0;
    std::vector<Pass> m_passes;
    /// The narrow counts the list holds lie below this.
    std::size_t m_narrowCounts = 0;
    /// Per pass being gathered: its groups' places, found by count.
    std::vector<Place> m_places;
    std::vector<std::uint32_t> m_placeOfNarrowCount;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> m_placeOfWideCount;
    /// One bit per stored row: the rows of the pass being gathered.
    std::vector<std::uint64_t> m_inPass;
    /// One bit per word of m_inPass: the words that have rows of the pass.
    std::vector<std::uint64_t> m_wordsInPass;
    std::vector<std::uint32_t> m_storedOrder;
};

} // namespace velmora
