#include "results_writer.h"

#include "byte_output.h"
#include "results_model.h"
#include "sorted_row_passes.h"

#include <charconv>
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

ResultsWriter::ResultsWriter(ByteOutput& output, LineEnding lineEnding)
    : m_output(output)
    , m_lineEnd(lineEnding == LineEnding::CrLf ? "\r\n" : "\n")
    , m_buffer(new char[bufferSize])
    , m_spare(new char[bufferSize])
{ }

ResultsWriter::~ResultsWriter()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

QString ResultsWriter::failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

void ResultsWriter::writeRowSlowly(std::string_view lineBytes, std::uint64_t count)
{
    if (lineBytes.size() + rowFrame > bufferSize - m_buffered && !failed()) {
        handOver();
        if (lineBytes.size() + rowFrame > bufferSize) {
            char frame[rowFrame];
            char* end = std::to_chars(frame, frame + rowFrame, count).ptr;
            *end++ = '\t';
            writeLongLine({ frame, std::size_t(end - frame) }, lineBytes);
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
    if (bytes.size() + m_lineEnd.size() > bufferSize - m_buffered && !failed()) {
        handOver();
        if (bytes.size() + m_lineEnd.size() > bufferSize) {
            writeLongLine({}, bytes);
            return;
        }
    }
    if (failed()) {
        failRow(failure());
        return;
    }
    char* out = m_buffer.get() + m_buffered;
    std::memcpy(out, bytes.data(), bytes.size());
    std::memcpy(out + bytes.size(), m_lineEnd.data(), m_lineEnd.size());
    m_buffered += bytes.size() + m_lineEnd.size();
}

void ResultsWriter::writeLongLine(std::string_view head, std::string_view body)
{
    // Written here in one piece while the writing thread has nothing to do.
    waitUntilIdle();
    writeOut(head);
    writeOut(body);
    writeOut(m_lineEnd);
    if (failed())
        failRow(failure());
}

void ResultsWriter::addShownRow(const ResultsModel& model, int position, RowLayout layout)
{
    model.readAheadFrom(position);
    const ResultRow row = model.row(position);
    if (layout == RowLayout::CountAndLine)
        writeRow(row.bytes, row.count);
    else
        addLine(row.bytes);
}

bool ResultsWriter::addRows(const ResultsModel& model, const std::function<bool(int)>& between,
                            RowLayout layout)
{
    if (model.isSorted() && model.rowCount() > 0)
        return addSortedRows(model, between, layout);
    return addShownRows(model, 0, model.rowCount(), between, layout)
        && (!between || between(model.rowCount()));
}

bool ResultsWriter::addShownRows(const ResultsModel& model, int begin, int end,
                                 const std::function<bool(int)>& between, RowLayout layout)
{
    for (int position = begin; position < end && !failed(); ++position) {
        if (between && position % rowsBetweenCalls == 0 && !between(position))
            return false;
        addShownRow(model, position, layout);
    }
    return !failed();
}

bool ResultsWriter::addSortedRows(const ResultsModel& model,
                                  const std::function<bool(int)>& between, RowLayout layout)
{
    SortedRowPasses passes(model, layout == RowLayout::CountAndLine, m_lineEnd);
    passes.cut(SortedRowPasses::passLimit(passes.totalBytes(), physicalMemoryBytes()));
    std::unique_ptr<char[]> gathered;
    std::uint64_t room = 0;
    for (const SortedRowPasses::Pass& pass : passes.passes()) {
        if (pass.gathered && pass.bytes > room) {
            gathered.reset();
            gathered.reset(new (std::nothrow) char[std::size_t(pass.bytes)]);
            room = gathered ? pass.bytes : 0;
        }
        if (!pass.gathered || !gathered) {
            // Read in place: a group too large to gather, or no memory to gather it in.
            if (!addShownRows(model, pass.begin, pass.end, between, layout))
                return false;
            continue;
        }
        if (between && !between(pass.begin))
            return false;
        passes.gather(pass, gathered.get());
        // Written from here in one piece, after what is buffered, while the writing thread
        // has nothing to do.
        handOver();
        waitUntilIdle();
        writeOut({ gathered.get(), std::size_t(pass.bytes) });
        if (failed())
            return false;
    }
    return !between || between(model.rowCount());
}

bool ResultsWriter::flush()
{
    handOver();
    waitUntilIdle();
    return !failed();
}

void ResultsWriter::handOver()
{
    if (m_buffered == 0)
        return;
    waitUntilIdle();
    std::swap(m_buffer, m_spare);
    const std::string_view full(m_spare.get(), m_buffered);
    m_buffered = 0;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { writeInBackground(); });
    {
        const std::lock_guard lock(m_mutex);
        m_handedOver = full;
    }
    m_changed.notify_all();
}

void ResultsWriter::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_handedOver.empty(); });
}

void ResultsWriter::writeInBackground()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_handedOver.empty() || m_finishing; });
        if (m_handedOver.empty())
            return;
        const std::string_view bytes = m_handedOver;
        lock.unlock();
        writeOut(bytes);
        lock.lock();
        m_handedOver = {};
        m_changed.notify_all();
    }
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
