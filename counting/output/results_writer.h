#pragma once

#include "counting/input/io_thread.h"
#include "counting/scan/row_packer.h"
#include "counting/scan/row_sink.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora {

class ByteSink;
class ShownRows;

enum class LineEnding { CrLf, Lf, Nul };

/// How addRows() writes a row: as the results file has it, or its line alone.
enum class RowLayout { CountAndLine, LineAlone };

/// Writes result rows as the results file has them: the count in plain decimal, one tab,
/// the line bytes exactly as stored, and the line end; no header. Rows are gathered in large
/// buffers, and full buffers are written on the writer's IoThread while the next one fills, so
/// that the output's cost overlaps the counting; a few may wait there, which evens out the
/// moments when the count runs ahead of the disk and those when it falls behind. After a failed
/// write every later row fails; the output files only replace their targets once complete, so a
/// partial row never does.
class ResultsWriter final : public RowSink, public RowPacker
{
public:
    explicit ResultsWriter(ByteSink& output, LineEnding lineEnding = LineEnding::CrLf);
    /// Waits for the writes handed over; what is still buffered is not written: call flush().
    ~ResultsWriter() override = default;

    /// Writes the row; the writer has no place for its line number.
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber) override
    {
        writeRow(lineBytes, count.value);
    }
    /// The row as addRow() takes it; inline, so that rows written one at a time are packed
    /// without a further call while they fit the buffer.
    void writeRow(std::string_view lineBytes, std::uint64_t count)
    {
        if (lineBytes.size() + rowFrame > room() || failed()) {
            writeRowSlowly(lineBytes, count);
            return;
        }
        packRow(lineBytes, count);
    }
    RowPacker* rowPacker() override { return this; }

    /// Writes `bytes`, which must hold no line feed, and the line end: a line made up by the
    /// caller, for layouts other than the count and the line. Fails like a row.
    void addLine(std::string_view bytes);
    /// Writes every row of `rows` in the order shown. `between`, when given, is called every
    /// few thousand rows with the number of rows written so far, and ends the writing early by
    /// returning false. False when ended early or when a row failed. `passLimit`: the most bytes
    /// one pass of a sorted list gathers; by default SortedRowPasses::passLimit() for this
    /// machine's memory (tests give a few bytes, to have many passes from a small list).
    bool addRows(const ShownRows& rows, const std::function<bool(int)>& between = {},
                 RowLayout layout = RowLayout::CountAndLine,
                 std::optional<std::uint64_t> passLimit = std::nullopt);
    /// Writes `bytes`, rows packed elsewhere with this writer's line end, after every row
    /// before them; on the calling thread, without a copy. False when any write failed.
    bool writePacked(std::string_view bytes);
    /// Writes out everything buffered and waits for it. False when any write failed.
    bool flush();

    bool failed() const { return m_failed.load(std::memory_order_acquire); }
    QString failure() const;

    /// The thread that writes the buffers: a large input read ahead on it leaves the count a
    /// core of its own.
    IoThread& ioThread() { return m_io; }

private:
    static constexpr std::size_t bufferSize = std::size_t(1) << 20;
    /// Most writers (a small file's rows) never fill a buffer: the first is small, and the
    /// first hand-over moves on to full ones.
    static constexpr std::size_t firstBufferSize = std::size_t(64) << 10;
    /// Buffers handed over and not yet written, at most.
    static constexpr std::size_t buffersInFlight = 3;

    /// What the buffer being filled has left.
    std::size_t room() const { return std::size_t(packingEnd() - packingPlace()); }
    void writeRowSlowly(std::string_view lineBytes, std::uint64_t count);
    void addShownRow(const ShownRows& rows, int position, RowLayout layout);
    /// The rows shown from `begin` to `end` - 1, one by one.
    bool addShownRows(const ShownRows& rows, int begin, int end,
                      const std::function<bool(int)>& between, RowLayout layout);
    bool addSortedRows(const ShownRows& rows, const std::function<bool(int)>& between,
                       RowLayout layout, std::optional<std::uint64_t> passLimit);
    /// Writes `head`, `body` and the line end out at once, for a line too long for a buffer.
    void writeLongLine(std::string_view head, std::string_view body);
    /// Puts the row into the buffer, which has room for it.
    void packRow(std::string_view lineBytes, std::uint64_t count)
    {
        packedUpTo(packRowAt(packingPlace(), lineBytes, count, false));
    }

    /// Hands the buffer over to be written, once one of the spare buffers is free to fill; an
    /// empty buffer stays.
    void handOver();
    /// Hands what the buffer holds over to be written and goes on in a full buffer, once one is
    /// free to fill: also from the first, small one when it is empty.
    void takeFullBuffer();
    /// Gives `bytes` to the writing thread once it has nothing to do; they must stay as they
    /// are until it has nothing to do again.
    void handOverBytes(std::string_view bytes);
    /// Under the lock: has `bytes` written after the writes before, then makes `spareAfter`, a
    /// buffer of ours that holds them, a spare again.
    void postWrite(std::string_view bytes, char* spareAfter);
    void waitUntilIdle();
    void writeOut(std::string_view bytes);

    ByteSink& m_output;
    /// The buffer that RowPacker fills, of m_bufferCapacity bytes.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_bufferCapacity = firstBufferSize;
    /// The first buffer once handed over: kept until the writer goes, never a spare.
    std::unique_ptr<char[]> m_firstBuffer;

    // What the writing thread shares with the rows' thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    /// Buffers that are neither filling nor waiting to be written; room for all of them is
    /// kept, so that a write never needs memory to give its buffer back.
    std::vector<std::unique_ptr<char[]>> m_spares;
    /// Full buffers are made when first needed, up to one filling and buffersInFlight handed
    /// over: a short count need not pay for making and mapping four megabytes.
    std::size_t m_fullBuffersMade = 0;
    std::size_t m_writesUnderWay = 0;
    std::atomic<bool> m_failed { false };
    QString m_failure;
    /// Last, so that the writes handed over end before the members they use go.
    IoThread m_io;
};

} // namespace velmora
