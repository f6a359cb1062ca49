#pragma once

#include "count_text.h"
#include "counting/input/io_thread.h"
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

class ByteOutput;
class ResultsModel;

enum class LineEnding { CrLf, Lf };

/// How addRows() writes a row: as the results file has it, or its line alone.
enum class RowLayout { CountAndLine, LineAlone };

/// Writes result rows as the results file has them: the count in plain decimal, one tab,
/// the line bytes exactly as stored, and the line end; no header. Rows are gathered in large
/// buffers, and full buffers are written on the writer's IoThread while the next one fills, so
/// that the output's cost overlaps the counting; a few may wait there, which evens out the
/// moments when the count runs ahead of the disk and those when it falls behind. After a failed
/// write every later row fails; the output files only replace their targets once complete, so a
/// partial row never does.
class ResultsWriter final : public RowSink
{
public:
    explicit ResultsWriter(ByteOutput& output, LineEnding lineEnding = LineEnding::CrLf);
    /// Waits for the writes handed over; what is still buffered is not written: call flush().
    ~ResultsWriter() override = default;

    /// Writes the row; the writer has no place for its line number.
    void addRow(std::string_view lineBytes, std::uint64_t count, std::uint64_t) override
    {
        writeRow(lineBytes, count);
    }
    /// The row as addRow() takes it; inline, so that the line counter packs rows without a call
    /// while they fit the buffer.
    void writeRow(std::string_view lineBytes, std::uint64_t count)
    {
        if (lineBytes.size() + rowFrame > bufferSize - m_buffered || failed()) {
            writeRowSlowly(lineBytes, count);
            return;
        }
        packRow(lineBytes, count);
    }
    /// Room for the longest count, the tab and a line end.
    static constexpr std::size_t rowFrame = countAndTabRoom + 2;
    /// How many bytes packRowAt() copies at once for a short line, past the line's end.
    static constexpr std::size_t copyBlock = 128;

    /// Where a loop that packs rows itself, keeping its place in a register, puts the next
    /// row; it hands the place back with packedUpTo() before any other call.
    char* packingPlace() const { return m_buffer.get() + m_buffered; }
    /// Each row packed from packingPlace() on must leave rowFrame bytes before this end.
    const char* packingEnd() const { return m_buffer.get() + bufferSize; }
    void packedUpTo(const char* place) { m_buffered = std::size_t(place - m_buffer.get()); }
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

    /// Writes `bytes`, which must hold no line feed, and the line end: a line made up by the
    /// caller, for layouts other than the count and the line. Fails like a row.
    void addLine(std::string_view bytes);
    /// Writes every row of `model` in the order shown. `between`, when given, is called every
    /// few thousand rows with the number of rows written so far, and ends the writing early by
    /// returning false. False when ended early or when a row failed. `passLimit`: the most bytes
    /// one pass of a sorted list gathers; by default SortedRowPasses::passLimit() for this
    /// machine's memory (tests give a few bytes, to have many passes from a small list).
    bool addRows(const ResultsModel& model, const std::function<bool(int)>& between = {},
                 RowLayout layout = RowLayout::CountAndLine,
                 std::optional<std::uint64_t> passLimit = std::nullopt);
    /// Writes out everything buffered and waits for it. False when any write failed.
    bool flush();

    bool failed() const { return m_failed.load(std::memory_order_acquire); }
    QString failure() const;

    /// The thread that writes the buffers: a large input read ahead on it leaves the count a
    /// core of its own.
    IoThread& ioThread() { return m_io; }

private:
    static constexpr std::size_t bufferSize = std::size_t(1) << 20;
    /// Buffers handed over and not yet written, at most.
    static constexpr std::size_t buffersInFlight = 3;

    void writeRowSlowly(std::string_view lineBytes, std::uint64_t count);
    void addShownRow(const ResultsModel& model, int position, RowLayout layout);
    /// The rows shown from `begin` to `end` - 1, one by one.
    bool addShownRows(const ResultsModel& model, int begin, int end,
                      const std::function<bool(int)>& between, RowLayout layout);
    bool addSortedRows(const ResultsModel& model, const std::function<bool(int)>& between,
                       RowLayout layout, std::optional<std::uint64_t> passLimit);
    /// Writes `head`, `body` and the line end out at once, for a line too long for a buffer.
    void writeLongLine(std::string_view head, std::string_view body);
    /// Puts the row into the buffer, which has room for it.
    void packRow(std::string_view lineBytes, std::uint64_t count)
    {
        packedUpTo(packRowAt(packingPlace(), lineBytes, count, false));
    }
    /// Writes the line end at `out`, which has room for two bytes, and returns its end.
    char* putLineEnd(char* out) const
    {
        std::memcpy(out, m_lineEndBytes, sizeof m_lineEndBytes);
        return out + m_lineEnd.size();
    }

    /// Hands the buffer over to be written, once one of the spare buffers is free to fill.
    void handOver();
    /// Gives `bytes` to the writing thread once it has nothing to do; they must stay as they
    /// are until it has nothing to do again.
    void handOverBytes(std::string_view bytes);
    /// Under the lock: has `bytes` written after the writes before, then makes `spareAfter`, a
    /// buffer of ours that holds them, a spare again.
    void postWrite(std::string_view bytes, char* spareAfter);
    void waitUntilIdle();
    void writeOut(std::string_view bytes);

    ByteOutput& m_output;
    std::string_view m_lineEnd;
    /// The line end padded to two bytes, so that putLineEnd() stores it without a size.
    char m_lineEndBytes[2];
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_buffered = 0;

    // What the writing thread shares with the rows' thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    /// Buffers that are neither filling nor waiting to be written; room for all of them is
    /// kept, so that a write never needs memory to give its buffer back.
    std::vector<std::unique_ptr<char[]>> m_spares;
    /// Spare buffers are made when first needed: most writers (a small file's rows) never fill
    /// one, and a short count need not pay for making and mapping three more megabytes.
    std::size_t m_sparesMade = 0;
    std::size_t m_writesUnderWay = 0;
    std::atomic<bool> m_failed { false };
    QString m_failure;
    /// Last, so that the writes handed over end before the members they use go.
    IoThread m_io;
};

} // namespace velmora
