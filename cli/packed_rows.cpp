#include "packed_rows.h"

#include <cstdint>
#include <cstring>

namespace velmora {

namespace {

struct RowHeader
{
    std::uint64_t count;
    std::uint64_t lineNumber;
    std::uint64_t size;
};

} // namespace

PackedRowRecorder::PackedRowRecorder(bool needsLineBytes, std::size_t pieceSize,
                                     std::function<bool(std::string&&)> hand)
    : m_needsLineBytes(needsLineBytes)
    , m_pieceSize(pieceSize)
    , m_hand(std::move(hand))
{ }

void PackedRowRecorder::addRow(std::string_view lineBytes, CharacterCount count,
                               LineNumber lineNumber)
{
    const RowHeader header { count.value, lineNumber.value, lineBytes.size() };
    m_piece.append(reinterpret_cast<const char*>(&header), sizeof header);
    m_piece.append(lineBytes);
    if (m_piece.size() >= m_pieceSize)
        flush();
}

void PackedRowRecorder::flush()
{
    if (m_piece.empty())
        return;
    // Refused once the output takes no more: the counter then ends this file.
    if (!m_hand(std::exchange(m_piece, {})))
        failRow(QStringLiteral("the output takes no more rows"));
}

bool replayPackedRows(std::string_view piece, RowSink& sink)
{
    while (!piece.empty()) {
        RowHeader header;
        std::memcpy(&header, piece.data(), sizeof header);
        piece.remove_prefix(sizeof header);
        sink.addRow(piece.substr(0, header.size), CharacterCount(header.count),
                    LineNumber(header.lineNumber));
        piece.remove_prefix(header.size);
        if (sink.rowFailed())
            return false;
    }
    return true;
}

} // namespace velmora
