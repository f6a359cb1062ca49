// Feeds arbitrary bytes through the reader and the line counter, and checks what must hold
// for every input: rows are never empty and hold no line break, each count is what Qt makes
// of the row's bytes, the rows and their line numbers do not depend on where reads end, and
// a filter agrees with QString::contains.

#include "counting/line_counter.h"
#include "counting/line_matcher.h"
#include "counting/row_sink.h"
#include "counting/text_reader.h"

#include <QBuffer>
#include <QStringDecoder>

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

std::vector<Row> countThrough(QIODevice& device, const LineFilter& filter)
{
    LineMatcher matcher(filter);
    RowList sink;
    LineCounter counter(matcher, sink);
    CounterFeed feed(counter);
    if (readWholeDevice(device, feed).kind != ReadOutcome::Kind::Read)
        std::abort();
    counter.finishText();
    return sink.rows;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    // The first bytes choose the filter and how reads are cut; the rest is the file.
    const std::uint8_t mode = data[0] % 4;
    const qint64 step = 1 + data[1] % 97;
    const std::size_t textLength = std::min<std::size_t>(data[2] % 8, size - 3);
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
    const std::vector<Row> rows = countThrough(whole, filter);
    Trickle trickle(file, step);
    require(countThrough(trickle, filter) == rows);

    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    for (const Row& row : rows) {
        require(!row.bytes.empty());
        require(row.bytes.find('\r') == std::string::npos);
        require(row.bytes.find('\n') == std::string::npos);
        const QString decoded
            = decoder(QByteArrayView(row.bytes.data(), qsizetype(row.bytes.size())));
        require(std::uint64_t(decoded.size()) == row.count);
        if (filter.mode == LineFilterMode::Containing)
            require(decoded.contains(filter.text, filter.caseSensitivity));
        if (filter.mode == LineFilterMode::NotContaining)
            require(!decoded.contains(filter.text, filter.caseSensitivity));
    }

    // 8-bit text without a mark: the rows are exactly the file's non-empty lines that pass.
    const bool eightBit = file.isEmpty()
        || (!file.startsWith("\xFF\xFE") && !file.startsWith("\xFE\xFF")
            && !file.startsWith("\xEF\xBB\xBF"));
    if (eightBit && !file.isEmpty()) {
        std::size_t next = 0;
        std::uint64_t lineNumber = 0;
        for (QByteArray line : file.split('\n')) {
            ++lineNumber;
            line.replace('\r', QByteArray());
            if (line.isEmpty())
                continue;
            const QString decoded = decoder(line);
            const bool holds = decoded.contains(filter.text, filter.caseSensitivity);
            const bool passes = filter.mode == LineFilterMode::Every
                || (filter.mode == LineFilterMode::Containing && holds)
                || (filter.mode == LineFilterMode::NotContaining && !filter.text.isEmpty()
                    && !holds);
            if (!passes)
                continue;
            require(next < rows.size() && rows[next].bytes == line.toStdString()
                    && rows[next].lineNumber == lineNumber);
            ++next;
        }
        require(next == rows.size());
    }
    return 0;
}
