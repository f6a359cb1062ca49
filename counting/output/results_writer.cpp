#include "results_writer.h"

#include "byte_sink.h"
#include "counting/rows/shown_rows.h"
#include "sorted_row_passes.h"

#include <algorithm>
#include <cstring>
#include <new>
#if __has_include(<unistd.h>)
#include <unistd.h>
#endif

namespace velmora {

namespace {

/// How often a long write asks whether to go on.
constexpr int rowsBetweenCalls = 4096;

std::uint64_t physicalMemoryBytes()
{
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return std::uint64_t(pages) * std::uint64_t(pageSize);
#endif
    return std::uint64_t(4) << 30; // a modest machine, where the system cannot say
}

} // namespace

ResultsWriter::ResultsWriter(ByteSink& output, LineEnding lineEnding)
    : RowPacker(lineEnding == LineEnding::CrLf     ? std::string_view("\r\n")
                    : lineEnding == LineEnding::Lf ? std::string_view("\n")
                                                   : std::string_view("\0", 1))
    , m_output(output)
    // Short lines are copied in whole blocks, which may reach past the buffer's last row.
    , m_buffer(new char[firstBufferSize + copyBlock])
{
    packInto(m_buffer.get(), m_bufferCapacity);
    m_spares.reserve(buffersInFlight);
}

QString ResultsWriter::failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

void ResultsWriter::writeRowSlowly(std::string_view lineBytes, std::uint64_t count)
{
    if (lineBytes.size() + rowFrame > room() && !failed()) {
        handOver();
        if (lineBytes.size() + rowFrame > room()) {
            char frame[rowFrame];
            writeLongLine({ frame, std::size_t(putCountAndTab(frame, count) - frame) }, lineBytes);
            return;
        }
    }
    if (failed()) {
        failRow(failure());
        return;
    }
    packRow(lineBytes, count);
}

void ResultsWriter::addLine(std::string_view bytes)
{
    if (bytes.size() + lineEnd().size() > room() && !failed()) {
        handOver();
        if (bytes.size() + lineEnd().size() > room()) {
            writeLongLine({}, bytes);
            return;
        }
    }
    if (failed()) {
        failRow(failure());
        return;
    }
    char* out = packingPlace();
    std::memcpy(out, bytes.data(), bytes.size());
    std::memcpy(out + bytes.size(), lineEnd().data(), lineEnd().size());
    packedUpTo(out + bytes.size() + lineEnd().size());
}

void ResultsWriter::writeLongLine(std::string_view head, std::string_view body)
{
    // Written here in one piece while the writing thread has nothing to do.
    waitUntilIdle();
    writeOut(head);
    writeOut(body);
    writeOut(lineEnd());
    if (failed())
        failRow(failure());
}

void ResultsWriter::addShownRow(const ShownRows& rows, int position, RowLayout layout)
{
    rows.readAheadFrom(position);
    const ResultRow row = rows.row(position);
    if (layout == RowLayout::CountAndLine)
        writeRow(row.bytes, row.count);
    else
        addLine(row.bytes);
}

bool ResultsWriter::addRows(const ShownRows& rows, const std::function<bool(int)>& between,
                            RowLayout layout, std::optional<std::uint64_t> passLimit)
{
    if (rows.isSorted() && rows.rowCount() > 0)
        return addSortedRows(rows, between, layout, passLimit);
    return addShownRows(rows, 0, rows.rowCount(), between, layout)
        && (!between || between(rows.rowCount()));
}

bool ResultsWriter::addShownRows(const ShownRows& rows, int begin, int end,
                                 const std::function<bool(int)>& between, RowLayout layout)
{
    for (int position = begin; position < end && !failed(); ++position) {
        if (between && position % rowsBetweenCalls == 0 && !between(position))
            return false;
        addShownRow(rows, position, layout);
    }
    return !failed();
}

bool ResultsWriter::addSortedRows(const ShownRows& rows, const std::function<bool(int)>& between,
                                  RowLayout layout, std::optional<std::uint64_t> passLimit)
{
    SortedRowPasses passes(rows, layout == RowLayout::CountAndLine, lineEnd());
    passes.cut(passLimit.value_or(
        SortedRowPasses::passLimit(passes.totalBytes(), physicalMemoryBytes(), bufferSize)));
    // A pass that fits a buffer of the writer's is gathered straight into it. Larger ones take
    // two buffers of their own: one is written on the writing thread while the next is
    // gathered. Each is made once, for the largest pass: buffers made anew as passes grow would
    // leave the old ones with the allocator, which keeps them.
    std::uint64_t largest = 0;
    for (const SortedRowPasses::Pass& pass : passes.passes()) {
        if (pass.gathered && pass.bytes > bufferSize)
            largest = std::max(largest, pass.bytes);
    }
    std::unique_ptr<char[]> gathered[2];
    bool made[2] = { false, false };
    int next = 0;
    bool complete = true;
    for (const SortedRowPasses::Pass& pass : passes.passes()) {
        if (failed() || (between && !between(pass.begin))) {
            complete = false;
            break;
        }
        if (pass.gathered && pass.bytes <= bufferSize) {
            if (pass.bytes > room())
                takeFullBuffer();
            char* const out = packingPlace();
            passes.gather(pass, out);
            packedUpTo(out + pass.bytes);
            continue;
        }
        if (pass.gathered && !made[next]) {
            gathered[next].reset(new (std::nothrow) char[std::size_t(largest)]);
            made[next] = true;
        }
        if (!pass.gathered || !gathered[next]) {
            // Read in place: a group too large to gather, or no memory to gather it in.
            if (!addShownRows(rows, pass.begin, pass.end, between, layout)) {
                complete = false;
                break;
            }
            continue;
        }
        passes.gather(pass, gathered[next].get());
        handOver();
        handOverBytes({ gathered[next].get(), std::size_t(pass.bytes) });
        next = 1 - next;
    }
    // The buffers go with this call.
    waitUntilIdle();
    return complete && !failed() && (!between || between(rows.rowCount()));
}

bool ResultsWriter::writePacked(std::string_view bytes)
{
    handOver();
    waitUntilIdle();
    writeOut(bytes);
    return !failed();
}

bool ResultsWriter::flush()
{
    // The last buffer is written here, after the writes before it: flush() waits for it all the
    // same, and a writer that never filled a buffer (a small file's rows) starts no thread.
    waitUntilIdle();
    writeOut({ m_buffer.get(), packedBytes() });
    packInto(m_buffer.get(), m_bufferCapacity);
    return !failed();
}

void ResultsWriter::handOver()
{
    if (packedBytes() != 0)
        takeFullBuffer();
}

void ResultsWriter::takeFullBuffer()
{
    std::unique_lock lock(m_mutex);
    if (m_spares.empty() && m_fullBuffersMade < buffersInFlight + 1) {
        m_spares.emplace_back(new char[bufferSize + copyBlock]);
        ++m_fullBuffersMade;
    }
    // Meanwhile this thread takes over the input's reads ahead, which would otherwise wait
    // behind the writes.
    m_io.waitRunningJobs(lock, m_changed, [this] { return !m_spares.empty(); });
    if (m_bufferCapacity == bufferSize) {
        postWrite({ m_buffer.get(), packedBytes() }, m_buffer.get());
        m_buffer.release();
    } else {
        if (packedBytes() != 0)
            postWrite({ m_buffer.get(), packedBytes() }, nullptr);
        m_firstBuffer = std::move(m_buffer);
        m_bufferCapacity = bufferSize;
    }
    m_buffer = std::move(m_spares.back());
    m_spares.pop_back();
    packInto(m_buffer.get(), m_bufferCapacity);
}

void ResultsWriter::handOverBytes(std::string_view bytes)
{
    waitUntilIdle();
    const std::lock_guard lock(m_mutex);
    postWrite(bytes, nullptr);
}

void ResultsWriter::postWrite(std::string_view bytes, char* spareAfter)
{
    // Posted before anything changes, in case there is no thread to post to; the write cannot
    // end before the caller releases the lock.
    m_io.post([this, bytes, spareAfter] {
        writeOut(bytes);
        {
            const std::lock_guard written(m_mutex);
            if (spareAfter)
                m_spares.emplace_back(spareAfter);
            --m_writesUnderWay;
        }
        m_changed.notify_all();
    });
    ++m_writesUnderWay;
}

void ResultsWriter::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_io.waitRunningJobs(lock, m_changed, [this] { return m_writesUnderWay == 0; });
}

void ResultsWriter::writeOut(std::string_view bytes)
{
    if (failed() || bytes.empty())
        return;
    if (m_output.write(bytes) == bytes.size())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_failure = m_output.errorString();
    }
    m_failed.store(true, std::memory_order_release);
}

} // namespace velmora
