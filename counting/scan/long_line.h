#pragma once

#include "counting/rows/spill_file.h"
#include "counting/simd/simd_level.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora {

/// A line that has outgrown the memory the line counter keeps for a line its pieces have not
/// finished. Its count is taken as its bytes come, exactly as for the whole line: carriage
/// returns removed, the bytes between them each decoded by themselves. Where its text is
/// wanted, the text without carriage returns goes to a spill file, which the system writes
/// out and drops from memory as it needs.
class LongLine
{
public:
    enum class Keeps {
        CountOnly, ///< nobody reads the line's text: only its count is taken
        Text ///< the text is kept in a spill file, for a filter or a sink that reads it
    };

    /// `spillBufferBytes`: how much of the text is gathered in memory before it is written.
    LongLine(Keeps keeps, SimdLevel level,
             std::size_t spillBufferBytes = SpillFile::defaultBufferBytes);

    /// The next bytes of the line, carriage returns still in them, no line feed. False when
    /// its text could not be kept; errorString() says why.
    bool add(std::string_view bytes);

    /// The count in UTF-16 units of what add() was given so far.
    std::uint64_t count() const;
    /// False for a line of carriage returns only, which gives no row.
    bool holdsCharacters() const { return m_bytes > m_returns; }

    /// The whole text without carriage returns (Keeps::Text); valid while this line lives.
    /// Nothing when it could not be written out; errorString() says why.
    std::optional<std::string_view> text();
    /// What a filter sees of the text: the text itself, or where a removed carriage return
    /// would join bytes into a character that the line does not hold, each piece between
    /// carriage returns with its stray bytes made U+FFFD. Nothing when it could not be kept.
    std::optional<std::string_view> examinedText();

    QString errorString() const { return m_error; }

private:
    void countBytes(std::string_view bytes);
    bool keep(std::string_view piece);
    bool fail(const SpillFile& file);

    const Keeps m_keeps;
    const SimdLevel m_level;
    const std::size_t m_spillBufferBytes;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_returns = 0;
    /// UTF-16 units of the bytes before m_held, carriage returns counted as one each.
    std::uint64_t m_units = 0;
    /// The last few bytes, which a character may still join with those to come.
    std::string m_held;
    SpillFile m_text;
    /// Whether the last byte given was a carriage return.
    bool m_afterReturn = false;
    /// Where in m_text a removed carriage return stood before a continuation byte: there the
    /// text may hold characters the line does not.
    std::vector<std::uint64_t> m_joins;
    std::optional<SpillFile> m_examined;
    QString m_error;
};

} // namespace velmora
