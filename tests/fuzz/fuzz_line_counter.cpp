// Feeds arbitrary bytes through the reader, the line counter and the results writer, and checks
// what must hold for every input: rows are never empty and hold no line break, each count is
// what Qt makes of the line, the rows do not depend on where reads end, on the instructions
// that find line ends nor on whether the text comes from a file or a device, a filter (ASCII or
// not) agrees with QString::contains, and the writer puts out exactly the rows.

#include "counting/byte_output.h"
#include "counting/line_counter.h"
#include "counting/line_matcher.h"
#include "counting/results_writer.h"
#include "counting/row_sink.h"
#include "counting/text_reader.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace velmora;

namespace {

struct Row
{
    std::string bytes;
    std::uint64_t count;
    std::uint64_t lineNumber;
    bool operator==(const Row& other) const
    {
        return bytes == other.bytes && count == other.count && lineNumber == other.lineNumber;
    }
};

class RowList final : public RowSink
{
public:
    void addRow(std::string_view lineBytes, std::uint64_t count, std::uint64_t lineNumber) override
    {
        rows.push_back({ std::string(lineBytes), count, lineNumber });
    }
    std::vector<Row> rows;
};

/// Gives out at most `step` bytes per read, as a pipe may.
class Trickle final : public QIODevice
{
public:
    Trickle(const QByteArray& bytes, qint64 step)
        : m_bytes(bytes)
        , m_step(step)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 size = std::min({ maxSize, m_step, m_bytes.size() - m_at });
        std::memcpy(data, m_bytes.constData() + m_at, std::size_t(size));
        m_at += size;
        return size;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray& m_bytes;
    qint64 m_step;
    qint64 m_at = 0;
};

class CounterFeed final : public TextConsumer
{
public:
    explicit CounterFeed(LineCounter& counter)
        : m_counter(counter)
    { }
    bool consumeText(std::string_view text) override { return m_counter.addText(text); }

private:
    LineCounter& m_counter;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<Row> countThrough(QIODevice& device, const LineFilter& filter, SimdLevel level)
{
    LineMatcher matcher(filter);
    RowList sink;
    LineCounter counter(matcher, sink, level);
    CounterFeed feed(counter);
    require(readWholeDevice(device, feed).kind == ReadOutcome::Kind::Read);
    counter.finishText();
    return sink.rows;
}

/// The same through a file, which the reader opens itself.
std::vector<Row> countThroughFile(const QByteArray& file, const LineFilter& filter)
{
    QTemporaryFile temporary;
    require(temporary.open() && temporary.write(file) == file.size() && temporary.flush());
    LineMatcher matcher(filter);
    RowList sink;
    LineCounter counter(matcher, sink);
    CounterFeed feed(counter);
    require(ReadWholeFile(temporary.fileName(), feed).kind == ReadOutcome::Kind::Read);
    counter.finishText();
    return sink.rows;
}

/// What the results writer makes of the file, its rows packed in place by the counter.
QByteArray written(const QByteArray& file, const LineFilter& filter, SimdLevel level)
{
    QBuffer input;
    input.setData(file);
    input.open(QIODevice::ReadOnly);
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    DeviceOutput device(output);
    ResultsWriter writer(device, LineEnding::CrLf);
    LineMatcher matcher(filter);
    LineCounter counter(matcher, writer, level);
    CounterFeed feed(counter);
    require(readWholeDevice(input, feed).kind == ReadOutcome::Kind::Read);
    counter.finishText();
    require(writer.flush());
    return output.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    // The first bytes choose the filter and how reads are cut; the rest is the file. A filter
    // text is as often non-ASCII as not, since its bytes are taken as UTF-8.
    const std::uint8_t mode = data[0] % 4;
    const qint64 step = 1 + data[1] % 97;
    const std::size_t textLength = std::min<std::size_t>(data[2] % 12, size - 3);
    const QString filterText
        = QString::fromUtf8(reinterpret_cast<const char*>(data + 3), qsizetype(textLength));
    const QByteArray file(reinterpret_cast<const char*>(data + 3 + textLength),
                          qsizetype(size - 3 - textLength));
    LineFilter filter;
    filter.mode = mode == 0 ? LineFilterMode::Every
        : mode == 1         ? LineFilterMode::Containing
                            : LineFilterMode::NotContaining;
    filter.text = filterText;
    filter.caseSensitivity = mode == 3 ? Qt::CaseSensitive : Qt::CaseInsensitive;

    QBuffer whole;
    whole.setData(file);
    whole.open(QIODevice::ReadOnly);
    const std::vector<Row> rows = countThrough(whole, filter, SimdLevel::Portable);
    for (const SimdLevel level : availableSimdLevels()) {
        Trickle trickle(file, step);
        require(countThrough(trickle, filter, level) == rows);
    }
    require(countThroughFile(file, filter) == rows);

    QByteArray rowsAsWritten;
    for (const Row& row : rows) {
        require(!row.bytes.empty());
        require(row.bytes.find('\r') == std::string::npos);
        require(row.bytes.find('\n') == std::string::npos);
        rowsAsWritten
            += QByteArray::number(row.count) + '\t' + QByteArray::fromStdString(row.bytes) + "\r\n";
    }
    for (const SimdLevel level : availableSimdLevels())
        require(written(file, filter, level) == rowsAsWritten);

    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    const auto passes = [&](const QString& line) {
        const bool holds = line.contains(filter.text, filter.caseSensitivity);
        return filter.mode == LineFilterMode::Every
            || (filter.mode == LineFilterMode::Containing && holds)
            || (filter.mode == LineFilterMode::NotContaining && !filter.text.isEmpty() && !holds);
    };
    if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF")) {
        // 16-bit text reaches the counter as well-formed UTF-8.
        for (const Row& row : rows) {
            const QString decoded
                = decoder(QByteArrayView(row.bytes.data(), qsizetype(row.bytes.size())));
            require(std::uint64_t(decoded.size()) == row.count);
            require(passes(decoded));
        }
        return 0;
    }
    // 8-bit text, its UTF-8 mark removed: the rows are exactly the file's non-empty lines that
    // pass, each decoded before its carriage returns are removed.
    const QByteArray text = file.startsWith("\xEF\xBB\xBF") ? file.mid(3) : file;
    std::vector<Row> expected;
    std::uint64_t lineNumber = 0;
    for (QByteArray line : file.isEmpty() ? QList<QByteArray> { "empty file" } : text.split('\n')) {
        ++lineNumber;
        QString decoded = decoder(line);
        decoded.remove(u'\r');
        line.replace('\r', QByteArray());
        if (!line.isEmpty() && passes(decoded))
            expected.push_back({ line.toStdString(), std::uint64_t(decoded.size()), lineNumber });
    }
    require(rows == expected);
    return 0;
}
