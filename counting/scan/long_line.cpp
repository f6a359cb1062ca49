#include "long_line.h"

#include "counting/text/utf16_length.h"

#include <algorithm>
#include <string>

namespace velmora {

namespace {

/// How much of a spilled text is decoded at a time for a filter.
constexpr std::size_t decodedSlice = std::size_t(1) << 20;

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// A clean cut leaves every character whole, so that the pieces decode as the bytes did
// together: it lies before a byte that no character continues, or after three continuation
// bytes, past which no lead reaches.

/// The first clean cut in `bytes` after what came before them, at most three bytes in;
/// `bytes.size()` when they are too few to hold one.
std::size_t firstCleanCut(std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (at == 3 || !isContinuation(bytes[at]))
            return at;
    }
    return bytes.size();
}

/// The last clean cut in `bytes`, whose start is one; at most four bytes from the end when
/// they are as many.
std::size_t lastCleanCut(std::string_view bytes)
{
    for (std::size_t at = bytes.size(); at-- > 1;) {
        if (!isContinuation(bytes[at]))
            return at;
        if (at >= 3 && isContinuation(bytes[at - 1]) && isContinuation(bytes[at - 2])
            && isContinuation(bytes[at - 3]))
            return at;
    }
    return 0;
}

} // namespace

LongLine::LongLine(Keeps keeps, SimdLevel level, std::size_t spillBufferBytes)
    : m_keeps(keeps)
    , m_level(level)
    , m_spillBufferBytes(spillBufferBytes)
    , m_text(SpillFile::temporaryFolders(), spillBufferBytes)
{ }

bool LongLine::add(std::string_view bytes)
{
    m_bytes += bytes.size();
    countBytes(bytes);
    if (m_keeps == Keeps::CountOnly) {
        m_returns += std::uint64_t(std::count(bytes.begin(), bytes.end(), '\r'));
        return true;
    }
    for (std::size_t from = 0; from < bytes.size();) {
        std::size_t to = bytes.find('\r', from);
        if (to == std::string_view::npos)
            to = bytes.size();
        if (to > from && !keep(bytes.substr(from, to - from)))
            return false;
        if (to < bytes.size()) {
            ++m_returns;
            m_afterReturn = true;
        }
        from = to + 1;
    }
    return true;
}

std::uint64_t LongLine::count() const
{
    // A carriage return is one unit of the bytes counted and cuts them cleanly, so taking
    // the returns off leaves the count of the pieces between them.
    return m_units + utf16Length(m_held) - m_returns;
}

std::optional<std::string_view> LongLine::text()
{
    if (!m_text.settle()) {
        fail(m_text);
        return std::nullopt;
    }
    return std::string_view(m_text.at(0), std::size_t(m_text.size()));
}

std::optional<std::string_view> LongLine::examinedText()
{
    const std::optional<std::string_view> whole = text();
    if (!whole || m_joins.empty())
        return whole;
    if (!m_examined) {
        m_examined.emplace(SpillFile::temporaryFolders(), m_spillBufferBytes);
        std::string decoded;
        const auto decode = [&](std::string_view piece) {
            while (!piece.empty()) {
                const std::size_t size = piece.size() <= decodedSlice
                    ? piece.size()
                    : lastCleanCut(piece.substr(0, decodedSlice));
                decoded.clear();
                appendWellFormed(piece.substr(0, size), decoded);
                if (!m_examined->append(decoded))
                    return false;
                piece.remove_prefix(size);
            }
            return true;
        };
        std::uint64_t from = 0;
        m_joins.push_back(whole->size());
        for (const std::uint64_t join : m_joins) {
            if (!decode(whole->substr(std::size_t(from), std::size_t(join - from)))) {
                fail(*m_examined);
                m_examined.reset();
                return std::nullopt;
            }
            from = join;
        }
        m_joins.pop_back();
    }
    if (!m_examined->settle()) {
        fail(*m_examined);
        return std::nullopt;
    }
    return std::string_view(m_examined->at(0), std::size_t(m_examined->size()));
}

void LongLine::countBytes(std::string_view bytes)
{
    // Counted up to the last clean cut; the bytes after it wait for those that follow.
    const std::size_t joining = firstCleanCut(bytes);
    m_held.append(bytes.substr(0, joining));
    bytes.remove_prefix(joining);
    if (bytes.empty()) {
        const std::size_t cut = lastCleanCut(m_held);
        m_units += utf16Length(std::string_view(m_held).substr(0, cut));
        m_held.erase(0, cut);
        return;
    }
    m_units += utf16Length(m_held);
    const std::size_t cut = lastCleanCut(bytes);
    m_units += utf16Length(bytes.substr(0, cut), m_level);
    m_held.assign(bytes.substr(cut));
}

bool LongLine::keep(std::string_view piece)
{
    if (m_afterReturn && isContinuation(piece.front()))
        m_joins.push_back(m_text.size());
    m_afterReturn = false;
    return m_text.append(piece) || fail(m_text);
}

bool LongLine::fail(const SpillFile& file)
{
    m_error = file.errorString();
    return false;
}

} // namespace velmora
