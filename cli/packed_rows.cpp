#include "packed_rows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

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
                                     std::function<bool(RowPiece&&)> hand)
    : m_needsLineBytes(needsLineBytes)
    , m_pieceSize(pieceSize)
    , m_hand(std::move(hand))
{ }

void PackedRowRecorder::addRow(std::string_view lineBytes, CharacterCount count,
                               LineNumber lineNumber)
{
    const RowHeader header { count.value, lineNumber.value, lineBytes.size() };
    const std::size_t at = m_piece.size();
    m_piece.resize(at + sizeof header + lineBytes.size());
    std::memcpy(m_piece.data() + at, &header, sizeof header);
    std::copy(lineBytes.begin(), lineBytes.end(), m_piece.data() + at + sizeof header);
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

WrittenRowRecorder::WrittenRowRecorder(std::string_view lineEnd, std::size_t pieceSize,
                                       std::function<bool(RowPiece&&)> hand,
                                       std::function<RowPiece()> spare)
    : RowPacker(lineEnd)
    , m_pieceSize(pieceSize)
    , m_hand(std::move(hand))
    , m_spare(std::move(spare))
{
    startPiece(m_pieceSize);
}

void WrittenRowRecorder::addRow(std::string_view lineBytes, CharacterCount count, LineNumber)
{
    if (lineBytes.size() + rowFrame > m_pieceSize - packedBytes()) {
        flush();
        if (rowFailed())
            return;
        // A line longer than a piece has a piece of its own.
        if (lineBytes.size() + rowFrame > m_pieceSize)
            startPiece(lineBytes.size() + rowFrame);
    }
    packedUpTo(packRowAt(packingPlace(), lineBytes, count.value, false));
}

void WrittenRowRecorder::flush()
{
    if (packedBytes() == 0)
        return;
    m_piece.resize(packedBytes());
    // Refused once the output takes no more: the counter then ends this range.
    if (!m_hand(std::exchange(m_piece, {})))
        failRow(QStringLiteral("the output takes no more rows"));
    startPiece(m_pieceSize);
}

void WrittenRowRecorder::startPiece(std::size_t capacity)
{
    if (m_piece.empty())
        m_piece = m_spare();
    // Short lines are copied in whole blocks, which may reach past the piece's last row.
    m_piece.resize(capacity + copyBlock);
    packInto(m_piece.data(), capacity);
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
