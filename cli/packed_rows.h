#pragma once

#include "counting/scan/row_packer.h"
#include "counting/scan/row_sink.h"
#include "file_row_order.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

/// Keeps the rows it is handed as packed bytes (count, line number, size, the line's bytes),
/// and hands them on in pieces of about `pieceSize` bytes, so that another thread can pass
/// them to the sinks they were meant for with replayPackedRows().
class PackedRowRecorder final : public RowSink
{
public:
    /// `hand` takes a piece, false when no more rows are wanted.
    PackedRowRecorder(bool needsLineBytes, std::size_t pieceSize,
                      std::function<bool(RowPiece&&)> hand);

    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;
    bool needsLineBytes() const override { return m_needsLineBytes; }
    /// Hands on the rows kept since the last piece.
    void flush();

private:
    const bool m_needsLineBytes;
    const std::size_t m_pieceSize;
    const std::function<bool(RowPiece&&)> m_hand;
    RowPiece m_piece;
};

/// Packs the rows it is handed as the results writer writes them, `count<TAB>line<line end>`,
/// and hands them on in pieces of about `pieceSize` bytes, to be written as they are in their
/// turn (ResultsWriter::writePacked()). The line counter packs most rows into its piece itself.
class WrittenRowRecorder final : public RowSink, public RowPacker
{
public:
    /// `hand` takes a piece, false when no more rows are wanted; `spare` gives a piece handed
    /// before to fill again, or an empty one.
    WrittenRowRecorder(std::string_view lineEnd, std::size_t pieceSize,
                       std::function<bool(RowPiece&&)> hand, std::function<RowPiece()> spare);

    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override;
    RowPacker* rowPacker() override { return this; }
    /// Hands on the rows packed since the last piece.
    void flush();

private:
    /// A new piece with room for `capacity` bytes of rows.
    void startPiece(std::size_t capacity);

    const std::size_t m_pieceSize;
    const std::function<bool(RowPiece&&)> m_hand;
    const std::function<RowPiece()> m_spare;
    RowPiece m_piece;
};

/// Hands the rows of a piece to `sink` in their order, up to one it could not keep; false then.
bool replayPackedRows(std::string_view piece, RowSink& sink);

} // namespace velmora
