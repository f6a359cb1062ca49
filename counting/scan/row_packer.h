#pragma once

#include "counting/text/count_text.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace velmora {

/// The fast way into a sink that writes rows out as bytes, `count<TAB>line<line end>`, into a
/// buffer of its own: the line counter's loop packs most rows there itself, its place kept in a
/// register, without a call per row. RowSink::rowPacker() hands it over.
class RowPacker
{
public:
    /// Room for the longest count, the tab and a line end.
    static constexpr std::size_t rowFrame = countAndTabRoom + 2;
    /// How many bytes packRowAt() copies at once for a short line, past the line's end.
    static constexpr std::size_t copyBlock = 128;

    /// Where a loop that packs rows itself, keeping its place in a register, puts the next
    /// row; it hands the place back with packedUpTo() before any other call on the sink.
    char* packingPlace() const { return m_buffer + m_packed; }
    /// Each row packed from packingPlace() on must leave rowFrame bytes before this end. A row
    /// that does not fit goes to the sink's addRow(), which also reports a failed write.
    const char* packingEnd() const { return m_buffer + m_capacity; }
    void packedUpTo(const char* place) { m_packed = std::size_t(place - m_buffer); }
    /// Packs the row at `out` and returns its end. `blockReadable`: copyBlock bytes may be read
    /// from the line's start, which lets a short line be copied without a size.
    char* packRowAt(char* out, std::string_view lineBytes, std::uint64_t count,
                    bool blockReadable) const
    {
        out = putCountAndTab(out, count);
        if (blockReadable && lineBytes.size() <= copyBlock) {
            // In 32-byte moves, which code built for AVX2 makes one instruction each; a plain
            // copy of the whole block would be moved sixteen bytes at a time.
            using Bytes32 = char __attribute__((vector_size(32)));
            for (std::size_t at = 0; at < copyBlock; at += sizeof(Bytes32)) {
                Bytes32 bytes;
                std::memcpy(&bytes, lineBytes.data() + at, sizeof bytes);
                std::memcpy(out + at, &bytes, sizeof bytes);
            }
        } else {
            std::memcpy(out, lineBytes.data(), lineBytes.size());
        }
        return putLineEnd(out + lineBytes.size());
    }

    /// "\r\n", "\n" or a NUL.
    std::string_view lineEnd() const { return m_lineEnd; }

protected:
    /// `lineEnd`: "\r\n", "\n" or a NUL.
    explicit RowPacker(std::string_view lineEnd)
        : m_lineEnd(lineEnd)
        , m_lineEndBytes { lineEnd.front(), '\n' }
    { }
    ~RowPacker() = default;

    /// Rows go into `buffer` from its start, up to `capacity` bytes; copyBlock bytes past
    /// those may be written too.
    void packInto(char* buffer, std::size_t capacity)
    {
        m_buffer = buffer;
        m_capacity = capacity;
        m_packed = 0;
    }
    std::size_t packedBytes() const { return m_packed; }
    /// Writes the line end at `out`, which has room for two bytes, and returns its end.
    char* putLineEnd(char* out) const
    {
        std::memcpy(out, m_lineEndBytes, sizeof m_lineEndBytes);
        return out + m_lineEnd.size();
    }

private:
    char* m_buffer = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_packed = 0;
    std::string_view m_lineEnd;
    /// The line end padded to two bytes, so that putLineEnd() stores it without a size.
    char m_lineEndBytes[2];
};

} // namespace velmora
