#pragma once

#include "row_sink.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>

namespace velmora {

class ByteOutput;
class ResultsModel;

enum class LineEnding { CrLf, Lf };

/// Writes result rows as the results file has them: the count in plain decimal, one tab,
/// the line bytes exactly as stored, and the line end; no header. Buffers in large pieces.
/// After a failed write the output ends with the last complete line where it can be cut
/// back, and every later row fails.
class ResultsWriter final : public RowSink
{
public:
    explicit ResultsWriter(ByteOutput& output, LineEnding lineEnding = LineEnding::CrLf);
    ~ResultsWriter() override;

    void addRow(std::string_view lineBytes, std::uint64_t count) override;
    /// Writes every row of `model` in the order shown.
    void addRows(const ResultsModel& model);
    /// Writes out what is buffered. False when any write failed; failure() says why.
    bool flush();

    bool failed() const { return !m_failure.isEmpty(); }
    QString failure() const { return m_failure; }

private:
    void append(std::string_view bytes);
    void writeOut(std::string_view bytes);

    ByteOutput& m_output;
    std::string_view m_lineEnd;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_buffered = 0;
    /// Bytes that reached the output, and where the last complete row among them ends.
    std::uint64_t m_written = 0;
    std::uint64_t m_completeRowsEnd = 0;
    QString m_failure;
};

} // namespace velmora
