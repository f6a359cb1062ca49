#include "results_writer.h"

#include "byte_output.h"
#include "results_model.h"

#include <cstring>

namespace velmora {

ResultsWriter::ResultsWriter(ByteOutput& output, LineEnding lineEnding)
    : m_output(output)
    , m_lineEnd(lineEnding == LineEnding::CrLf ? "\r\n" : "\n")
    , m_lineEndBytes { lineEnding == LineEnding::CrLf ? '\r' : '\n', '\n' }
    // Short lines are copied in whole blocks, which may reach past the buffer's last row.
    , m_buffer(new char[bufferSize + copyBlock])
    , m_spare(new char[bufferSize + copyBlock])
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

bool ResultsWriter::addRows(const ResultsModel& model, const std::function<bool(int)>& between)
{
    constexpr int rowsBetweenCalls = 4096;
    const int rows = model.rowCount();
    for (int position = 0; position < rows && !failed(); ++position) {
        if (between && position % rowsBetweenCalls == 0 && !between(position))
            return false;
        model.readAheadFrom(position);
        const ResultRow row = model.row(position);
        writeRow(row.bytes, row.count);
    }
    return !failed() && (!between || between(rows));
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
    const std::size_t taken = m_output.write(bytes);
    // Every row ends with a line feed and no line holds one of its own, so the last line
    // feed that got out marks the end of the last complete row.
    const std::size_t lastLineFeed = bytes.substr(0, taken).rfind('\n');
    if (lastLineFeed != std::string_view::npos)
        m_completeRowsEnd = m_written + lastLineFeed + 1;
    m_written += taken;
    if (taken == bytes.size())
        return;
    // The cause belongs to the failed write; cutting back makes calls of its own.
    const QString reason = m_output.errorString();
    if (m_completeRowsEnd != m_written)
        m_output.truncate(m_completeRowsEnd);
    {
        const std::lock_guard lock(m_mutex);
        m_failure = reason;
    }
    m_failed.store(true, std::memory_order_release);
}

} // namespace velmora
