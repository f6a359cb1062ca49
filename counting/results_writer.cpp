#include "results_writer.h"

#include "byte_output.h"
#include "results_model.h"

#include <charconv>
#include <cstring>

namespace velmora {

namespace {

constexpr std::size_t bufferSize = std::size_t(1) << 20;
/// Room for the longest count, the tab and a line end.
constexpr std::size_t rowFrame = 24;

} // namespace

ResultsWriter::ResultsWriter(ByteOutput& output, LineEnding lineEnding)
    : m_output(output)
    , m_lineEnd(lineEnding == LineEnding::CrLf ? "\r\n" : "\n")
    , m_buffer(new char[bufferSize])
{
}

ResultsWriter::~ResultsWriter() = default;

void ResultsWriter::addRow(std::string_view lineBytes, std::uint64_t count)
{
    if (failed()) {
        failRow(m_failure);
        return;
    }
    if (lineBytes.size() + rowFrame > bufferSize - m_buffered) {
        flush();
        if (lineBytes.size() + rowFrame > bufferSize) {
            // A line too long for the buffer goes out in one piece after its count.
            char frame[rowFrame];
            char* end = std::to_chars(frame, frame + rowFrame, count).ptr;
            *end++ = '\t';
            append({ frame, std::size_t(end - frame) });
            flush();
            writeOut(lineBytes);
            append(m_lineEnd);
            flush();
            if (failed())
                failRow(m_failure);
            return;
        }
    }
    char* out = m_buffer.get() + m_buffered;
    out = std::to_chars(out, out + rowFrame, count).ptr;
    *out++ = '\t';
    std::memcpy(out, lineBytes.data(), lineBytes.size());
    out += lineBytes.size();
    std::memcpy(out, m_lineEnd.data(), m_lineEnd.size());
    out += m_lineEnd.size();
    m_buffered = std::size_t(out - m_buffer.get());
    if (failed())
        failRow(m_failure);
}

void ResultsWriter::addRows(const ResultsModel& model)
{
    const int rows = model.rowCount();
    for (int position = 0; position < rows && !failed(); ++position) {
        const ResultRow row = model.row(position);
        addRow(row.bytes, row.count);
    }
}

bool ResultsWriter::flush()
{
    writeOut({ m_buffer.get(), m_buffered });
    m_buffered = 0;
    return !failed();
}

void ResultsWriter::append(std::string_view bytes)
{
    std::memcpy(m_buffer.get() + m_buffered, bytes.data(), bytes.size());
    m_buffered += bytes.size();
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
    m_failure = m_output.errorString();
    if (m_failure.isEmpty())
        m_failure = QStringLiteral("Unknown error");
    if (m_completeRowsEnd != m_written)
        m_output.truncate(m_completeRowsEnd);
}

} // namespace velmora
