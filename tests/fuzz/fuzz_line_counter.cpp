// Feeds arbitrary bytes through the reader, the line counter and everything the rows reach
// after it, and checks what must hold for every input:
// - the reader delivers the text decoded the plain way (8-bit text, UTF-8 with its mark,
//   UTF-16 of either byte order and any length, converted the same at every level) wherever
//   reads end, in blocks of a few bytes or a few kilobytes, from memory or from a file (read
//   ahead when it spans a few blocks, and now and then large enough to be read ahead in
//   blocks of the real size);
// - the counter makes of it the text's non-empty lines that pass the filter, whatever the
//   instructions that find line ends and wherever its pieces end;
// - the results writer puts out exactly those rows, packed by the counter at every level;
// - a result store that spills after a few bytes, its records starting a few rows long, keeps
//   them, and a sorted list written in passes of a few bytes is a stable sort of them, in both
//   orders, with and without counts;
// - the command line's stages (another unit, thresholds, rows with their place, one line per
//   file, sorting) write what their description says, to memory and now and then to a file.
// The first bytes of an input choose the settings (see Settings), the rest is the text.

#include "cli/command_line.h"
#include "cli/row_pipeline.h"
#include "common/path_bytes.h"
#include "common/replacing_output_file.h"
#include "counting/input/io_thread.h"
#include "counting/input/text_reader.h"
#include "counting/match/line_matcher.h"
#include "counting/output/byte_sink.h"
#include "counting/output/results_writer.h"
#include "counting/rows/result_store.h"
#include "counting/rows/shown_rows.h"
#include "counting/scan/line_counter.h"
#include "counting/scan/row_sink.h"
#include "counting/simd/simd_kernels.h"
#include "counting/text/line_length.h"
#include "counting/text/utf16_to_utf8.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
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
using Rows = std::vector<Row>;

class RowList final : public RowSink
{
public:
    void addRow(std::string_view lineBytes, CharacterCount count, LineNumber lineNumber) override
    {
        rows.push_back({ std::string(lineBytes), count.value, lineNumber.value });
    }
    Rows rows;
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

/// A folder of the process's own for the files a few inputs go through and for the spill
/// files: made once, as a folder per input would cost more than the count. In memory where
/// there is a memory file system: a file made, synced and dropped on a disk's file system
/// costs more than the rest of an input, and the few bytes a spill file with a buffer of a
/// few bytes sets aside ahead cost nothing there.
const QString& scratchFolder()
{
    static const QTemporaryDir folder(QFileInfo(QStringLiteral("/dev/shm")).isDir()
                                          ? QStringLiteral("/dev/shm/fuzz_line_counter-XXXXXX")
                                          : QString());
    static const QString path = folder.path();
    require(folder.isValid());
    return path;
}

enum class Mark { AsGiven, Utf16LittleEndian, Utf16BigEndian, Utf8 };

/// What the first bytes of an input choose, bit by bit.
struct Settings
{
    static constexpr std::size_t size = 9;

    // Byte 0: the filter's mode and case, the mark each file starts with, and whether the
    // files are also read from disk and the command's rows written to a file.
    LineFilter filter;
    Mark mark = Mark::AsGiven;
    bool throughFiles = false;
    // Byte 1: the most bytes one read of a pipe gives.
    qint64 step = 1;
    // Bytes 3 to 5: the command's stages. The filter text follows the settings, its length
    // taken from byte 2.
    CountCommand command;
    // Byte 6: how a sorted store is written.
    std::optional<std::uint64_t> passLimit;
    Qt::SortOrder storeOrder = Qt::AscendingOrder;
    bool storeWithCounts = true;
    LineEnding lineEnding = LineEnding::CrLf;
    // Byte 7: the level the store and a file count with, and the spill buffer, written in place
    // but for the largest, which is written behind on a thread of its own.
    SimdLevel level = SimdLevel::Portable;
    std::size_t spillBufferBytes = 64;
    SpillFile::Writes spillWrites = SpillFile::Writes::InPlace;
    // Byte 8: where the text is cut into two files, in 256ths (0: one file, as for half the
    // inputs).
    int cut = 0;
    // The rest is chosen by a hash of the whole input, so that the seeds keep their meaning.
    // With throughFiles, for one input in 256: the text is repeated up to a size that is read
    // ahead in blocks of the real size. Reading megabytes costs a hundred small inputs, and
    // the mutations of an input that did so mostly do not.
    bool large = false;
    // The reader's block, from 1 byte to 4 KiB, as often under 64 bytes as over: a block of the
    // real size would cost more to allocate under the address sanitizer than all the rest.
    qint64 readBlockSize = 1;
    // The rows a store's first segment holds at first, for the same reason.
    int firstSegmentRows = 1;

    Settings(const std::uint8_t* data, std::size_t inputSize, std::size_t textLength)
    {
        constexpr LineFilterMode modes[]
            = { LineFilterMode::Every, LineFilterMode::Containing, LineFilterMode::NotContaining,
                LineFilterMode::Nothing };
        filter.mode = modes[data[0] & 3];
        filter.caseSensitivity = (data[0] & 4) != 0 ? Qt::CaseSensitive : Qt::CaseInsensitive;
        mark = Mark((data[0] >> 3) & 3);
        throughFiles = (data[0] >> 5) == 7;
        step = 1 + data[1] % 97;
        // A filter text is as often non-ASCII as not, since its bytes are taken as UTF-8.
        filter.text
            = QString::fromUtf8(reinterpret_cast<const char*>(data + size), qsizetype(textLength));

        constexpr LengthUnit units[]
            = { LengthUnit::Utf16, LengthUnit::Chars, LengthUnit::Bytes, LengthUnit::Columns };
        command.filter = filter;
        command.unit = units[data[3] & 3];
        command.withFileName = (data[3] & 4) != 0;
        command.withLineNumber = (data[3] & 8) != 0;
        command.summary = (data[3] & 16) != 0;
        const int sort = (data[3] >> 5) & 3;
        if (sort == 1 || sort == 2)
            command.sortOrder = sort == 1 ? Qt::AscendingOrder : Qt::DescendingOrder;
        command.lineEnding = (data[3] & 128) != 0 ? LineEnding::Lf : LineEnding::CrLf;
        if ((data[4] & 128) != 0)
            command.longerThan = data[4] & 63;
        command.check = (data[4] & 64) != 0;
        if ((data[5] & 128) != 0)
            command.shorterThan = data[5] & 127;

        const int limit = data[6] & 31;
        if (limit != 31)
            passLimit = std::uint64_t(1 + limit * limit);
        storeOrder = (data[6] & 32) != 0 ? Qt::DescendingOrder : Qt::AscendingOrder;
        storeWithCounts = (data[6] & 64) == 0;
        lineEnding = (data[6] & 128) != 0 ? LineEnding::Lf : LineEnding::CrLf;

        const std::vector<SimdLevel> levels = availableSimdLevels();
        level = levels[(data[7] & 3) % levels.size()];
        spillBufferBytes = 1 + std::size_t(data[7] >> 2) * 4;
        if ((data[7] >> 2) == 63)
            spillWrites = SpillFile::Writes::Behind;

        cut = data[8] < 128 ? 0 : (data[8] - 127) * 2;
        std::uint32_t hash = 2166136261u; // FNV-1a
        for (std::size_t at = 0; at < inputSize; ++at)
            hash = (hash ^ data[at]) * 16777619u;
        large = throughFiles && hash % 256 == 0;
        const int blockBits = int((hash >> 8) % 13);
        readBlockSize = 1 + qint64((hash >> 12) & ((1u << blockBits) - 1));
        firstSegmentRows = 1 + int((hash >> 24) % 64);
    }
};

/// The units of 16-bit text after its mark, a surrogate without its partner (even one parted
/// from it by a carriage return) made U+FFFD, and a last odd byte one more U+FFFD.
QString plainUnits(const QByteArray& file)
{
    const bool littleEndian = file.startsWith("\xFF\xFE");
    QString text((file.size() - 2) / 2, Qt::Uninitialized);
    for (qsizetype unit = 0; unit < text.size(); ++unit) {
        const auto first = std::uint8_t(file[2 + 2 * unit]);
        const auto second = std::uint8_t(file[3 + 2 * unit]);
        text[unit]
            = QChar(littleEndian ? char16_t(second << 8 | first) : char16_t(first << 8 | second));
    }
    for (qsizetype at = 0; at < text.size(); ++at) {
        const bool paired
            = text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
        if (paired)
            ++at;
        else if (text[at].isSurrogate())
            text[at] = QChar::ReplacementCharacter;
    }
    if (file.size() % 2 != 0)
        text += QChar::ReplacementCharacter;
    return text;
}

/// The text of `file` as the counter is to be given it, worked out the plain way: 8-bit text
/// as it is, its UTF-8 mark removed; 16-bit text as plainUnits() in UTF-8.
std::string plainText(const QByteArray& file)
{
    if (file.isEmpty())
        return "empty file";
    if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF"))
        return plainUnits(file).toUtf8().toStdString();
    return (file.startsWith("\xEF\xBB\xBF") ? file.mid(3) : file).toStdString();
}

/// The text of the 16-bit `file` as Utf16ToUtf8 at `level` converts it, given in pieces of
/// `step` bytes.
std::string convertedAt(SimdLevel level, const QByteArray& file, std::size_t step)
{
    Utf16ToUtf8 converter(file.startsWith("\xFF\xFE") ? TextEncoding::Utf16LittleEndian
                                                      : TextEncoding::Utf16BigEndian,
                          simdKernels(level));
    const std::string_view units(file.constData() + 2, std::size_t(file.size() - 2));
    std::string text;
    for (std::size_t at = 0; at < units.size(); at += step)
        text += converter.convert(units.substr(at, step));
    text += converter.finish();
    return text;
}

/// The rows of `file` worked out the plain way: the encoding told by the first bytes, the text
/// decoded whole, cut at line feeds, carriage returns removed, empty lines left out.
Rows plainRows(const QByteArray& file, const LineFilter& filter)
{
    const auto passes = [&](const QString& line) {
        const bool holds = line.contains(filter.text, filter.caseSensitivity);
        return filter.mode == LineFilterMode::Every
            || (filter.mode == LineFilterMode::Containing && holds)
            || (filter.mode == LineFilterMode::NotContaining && !filter.text.isEmpty() && !holds);
    };
    Rows rows;
    std::uint64_t lineNumber = 0;
    if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF")) {
        // Decoded from the units: QString::fromUtf8() would drop a first U+FEFF.
        const QString text = plainUnits(file);
        for (QString line : text.split(u'\n')) {
            ++lineNumber;
            line.remove(u'\r');
            if (!line.isEmpty() && passes(line))
                rows.push_back(
                    { line.toUtf8().toStdString(), std::uint64_t(line.size()), lineNumber });
        }
        return rows;
    }
    // 8-bit text, its UTF-8 mark removed: each line decoded before its carriage returns go.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    const QByteArray text = file.startsWith("\xEF\xBB\xBF") ? file.mid(3) : file;
    for (QByteArray line : file.isEmpty() ? QList<QByteArray> { "empty file" } : text.split('\n')) {
        ++lineNumber;
        QString decoded = decoder(line);
        decoded.remove(u'\r');
        line.replace('\r', QByteArray());
        if (!line.isEmpty() && passes(decoded))
            rows.push_back({ line.toStdString(), std::uint64_t(decoded.size()), lineNumber });
    }
    return rows;
}

/// Keeps the text the reader delivers.
class Collector final : public TextConsumer
{
public:
    bool consumeText(std::string_view piece) override
    {
        require(!piece.empty());
        text += piece;
        return true;
    }
    std::string text;
};

/// How the reader reads the files of an input: blocks of `blockSize`, files read ahead on a
/// thread made once, as a thread per file would cost more than the count.
CountControl readingControl(qint64 blockSize)
{
    static IoThread reads;
    CountControl control;
    control.ioThread = &reads;
    control.readBlockSize = blockSize;
    return control;
}

/// The text the reader delivers from `file`, read `step` bytes at a time as from a pipe.
std::string delivered(const QByteArray& file, qint64 step, qint64 blockSize)
{
    Trickle trickle(file, step);
    Collector collector;
    require(readWholeDevice(trickle, collector, readingControl(blockSize)).kind
            == ReadOutcome::Kind::Read);
    return collector.text;
}

/// The path of a file of the scratch folder that holds `bytes`.
QString writtenFile(const QByteArray& bytes)
{
    const QString path = scratchFolder() + QStringLiteral("/input");
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size());
    return path;
}

/// Hands `text` to `counter` in pieces of `step` bytes, and ends it.
void feed(LineCounter& counter, std::string_view text, std::size_t step)
{
    for (std::size_t at = 0; at < text.size(); at += step)
        require(counter.addText(text.substr(at, step)));
    require(counter.finishText());
}

Rows countText(std::string_view text, LineMatcher& matcher, SimdLevel level, std::size_t step)
{
    RowList sink;
    LineCounter counter(matcher, sink, level);
    feed(counter, text, step);
    return sink.rows;
}

/// The rows of `file` read from disk by the reader itself.
Rows countThroughFile(const QByteArray& file, LineMatcher& matcher, SimdLevel level,
                      qint64 blockSize)
{
    const QString path = writtenFile(file);
    RowList sink;
    LineCounter counter(matcher, sink, level);
    CounterFeed feed(counter);
    require(ReadWholeFile(path, feed, readingControl(blockSize)).kind == ReadOutcome::Kind::Read);
    require(counter.finishText());
    return sink.rows;
}

QByteArray asWritten(const Rows& rows, bool withCounts, LineEnding lineEnding)
{
    QByteArray bytes;
    for (const Row& row : rows) {
        if (withCounts)
            bytes += QByteArray::number(row.count) + '\t';
        bytes += QByteArray::fromStdString(row.bytes)
            + (lineEnding == LineEnding::CrLf ? "\r\n" : "\n");
    }
    return bytes;
}

/// A results writer into memory, one per line end for the whole run: its buffers are large
/// enough that making them for every input would cost more than all the rest.
class MemoryWriter
{
public:
    static MemoryWriter& with(LineEnding lineEnding)
    {
        static MemoryWriter crLf(LineEnding::CrLf);
        static MemoryWriter lf(LineEnding::Lf);
        return lineEnding == LineEnding::CrLf ? crLf : lf;
    }

    /// The writer, with nothing written yet.
    ResultsWriter& start()
    {
        m_output.buffer().clear();
        m_output.seek(0);
        return m_writer;
    }
    /// What it wrote since start().
    QByteArray finish()
    {
        require(m_writer.flush());
        return m_output.data();
    }

private:
    explicit MemoryWriter(LineEnding lineEnding)
        : m_device(m_output)
        , m_writer(m_device, lineEnding)
    {
        m_output.open(QIODevice::WriteOnly);
    }

    QBuffer m_output;
    DeviceByteSink m_device;
    ResultsWriter m_writer;
};

/// A results writer whose bytes go to the output file of the moment, one per line end for the
/// whole run, as MemoryWriter.
struct FileWriter
{
    class Output final : public ByteSink
    {
    public:
        std::size_t write(std::string_view bytes) override { return file->write(bytes); }
        QString errorString() const override { return file->errorString(); }
        ByteSink* file = nullptr;
    };

    static FileWriter& with(LineEnding lineEnding)
    {
        static FileWriter crLf(LineEnding::CrLf);
        static FileWriter lf(LineEnding::Lf);
        return lineEnding == LineEnding::CrLf ? crLf : lf;
    }

    explicit FileWriter(LineEnding lineEnding)
        : writer(output, lineEnding)
    { }

    Output output;
    ResultsWriter writer;
};

/// Every way of counting `file` gives its plain rows; the text delivered reaches the counter
/// in pieces of `step` bytes, a piece ending anywhere.
Rows checkCount(const QByteArray& file, const Settings& settings)
{
    const std::string text = delivered(file, settings.step, settings.readBlockSize);
    require(text == plainText(file));
    if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF")) {
        for (const SimdLevel level : availableSimdLevels()) {
            require(convertedAt(level, file, std::size_t(settings.step)) == text);
            require(convertedAt(level, file, std::size_t(file.size())) == text);
        }
    }
    const Rows rows = plainRows(file, settings.filter);
    LineMatcher matcher(settings.filter);
    require(countText(text, matcher, SimdLevel::Portable, text.size() + 1) == rows);
    const QByteArray expected = asWritten(rows, true, settings.lineEnding);
    for (const SimdLevel level : availableSimdLevels()) {
        require(countText(text, matcher, level, std::size_t(settings.step)) == rows);
        MemoryWriter& writer = MemoryWriter::with(settings.lineEnding);
        LineCounter counter(matcher, writer.start(), level);
        feed(counter, text, std::size_t(settings.step));
        require(writer.finish() == expected);
    }
    if (settings.throughFiles)
        require(countThroughFile(file, matcher, settings.level, settings.readBlockSize) == rows);
    for (const Row& row : rows) {
        require(!row.bytes.empty());
        require(row.bytes.find_first_of("\r\n") == std::string::npos);
    }
    return rows;
}

/// A file large enough to be read ahead delivers the text it delivers from memory.
void checkReadAhead(const QByteArray& file, qint64 step)
{
    constexpr qsizetype readAheadSize = qsizetype(4) << 20;
    const QByteArray body = file.size() > 3 ? file.mid(3) : QByteArray("\n");
    QByteArray large = file + body.repeated((readAheadSize + step) / body.size() + 1);
    Collector fromFile;
    fromFile.text.reserve(std::size_t(large.size()) * 2);
    require(ReadWholeFile(writtenFile(large), fromFile).kind == ReadOutcome::Kind::Read);
    QBuffer memory(&large);
    require(memory.open(QIODevice::ReadOnly));
    Collector fromMemory;
    fromMemory.text.reserve(std::size_t(large.size()) * 2);
    require(readWholeDevice(memory, fromMemory).kind == ReadOutcome::Kind::Read);
    require(fromFile.text == fromMemory.text);
}

/// An empty store that spills after a few bytes, its records starting a few rows long.
ResultStore smallStore(const Settings& settings)
{
    return ResultStore(SpillFile(scratchFolder(), settings.spillBufferBytes, settings.spillWrites),
                       std::numeric_limits<int>::max(), settings.firstSegmentRows);
}

/// A store that spills after a few bytes keeps the rows of every file; sorted and written in
/// passes of a few bytes, they come out as a stable sort of them.
void checkStore(const std::vector<std::string>& texts, const Rows& rows, const Settings& settings)
{
    ResultStore store = smallStore(settings);
    LineMatcher matcher(settings.filter);
    for (const std::string& text : texts) {
        LineCounter counter(matcher, store, settings.level);
        feed(counter, text, std::size_t(settings.step));
    }
    require(!store.rowFailed());
    require(store.rowCount() == int(rows.size()));
    for (int row = 0; row < store.rowCount(); ++row) {
        require(store.bytes(row) == rows[std::size_t(row)].bytes);
        require(store.count(row) == rows[std::size_t(row)].count);
    }

    ShownRows shownRows;
    shownRows.setStore(std::move(store));
    shownRows.sortByCount(settings.storeOrder);
    MemoryWriter& writer = MemoryWriter::with(settings.lineEnding);
    int lastCall = -1;
    require(writer.start().addRows(
        shownRows,
        [&](int rowsWritten) {
            require(rowsWritten >= lastCall && rowsWritten <= shownRows.rowCount());
            lastCall = rowsWritten;
            return true;
        },
        settings.storeWithCounts ? RowLayout::CountAndLine : RowLayout::LineAlone,
        settings.passLimit));
    require(lastCall == shownRows.rowCount());
    Rows sorted = rows;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Row& a, const Row& b) {
        return settings.storeOrder == Qt::AscendingOrder ? a.count < b.count : a.count > b.count;
    });
    require(writer.finish() == asWritten(sorted, settings.storeWithCounts, settings.lineEnding));
}

/// What holds of a count in `unit` whatever the line.
void checkUnit(const Row& row, LengthUnit unit, std::uint64_t count)
{
    const QByteArray bytes = QByteArray::fromStdString(row.bytes);
    const QString decoded = QString::fromUtf8(bytes);
    const bool validUtf8 = decoded.toUtf8() == bytes;
    const bool printableAscii = std::all_of(row.bytes.begin(), row.bytes.end(),
                                            [](char byte) { return byte >= 0x20 && byte < 0x7F; });
    switch (unit) {
    case LengthUnit::Utf16:
        break;
    case LengthUnit::Bytes:
        require(count == row.bytes.size());
        break;
    case LengthUnit::Chars:
        require(count >= 1 && count <= row.bytes.size());
        if (validUtf8)
            require(count == std::uint64_t(decoded.toUcs4().size()));
        break;
    case LengthUnit::Columns:
        // A tab takes up to eight columns, any other character up to two.
        require(count <= 8 * row.bytes.size());
        if (printableAscii)
            require(count == row.bytes.size());
        break;
    }
}

/// The path each file is shown with: standard input, and a name that is not UTF-8.
std::string shownPath(std::size_t file)
{
    return file == 0 ? std::string("(standard input)") : std::string("folder/\xFF name.txt");
}

/// What the command's description says its rows are.
QByteArray commandOutput(const std::vector<Rows>& rowsOfFiles, const CountCommand& command,
                         bool& anyRowPassed)
{
    struct LaidOut
    {
        std::string text;
        std::uint64_t count;
    };
    std::vector<LaidOut> lines;
    std::uint64_t totalRows = 0;
    std::uint64_t totalLongest = 0;
    for (std::size_t file = 0; file < rowsOfFiles.size(); ++file) {
        std::uint64_t fileRows = 0;
        std::uint64_t longest = 0;
        for (const Row& row : rowsOfFiles[file]) {
            // UTF-16 units are the counter's own count, taken before carriage returns went
            // (which may part two bytes that make a character once joined): no recount.
            const std::uint64_t count = command.unit == LengthUnit::Utf16
                ? row.count
                : lineLength(row.bytes, command.unit);
            checkUnit(row, command.unit, count);
            if ((command.longerThan && count <= *command.longerThan)
                || (command.shorterThan && count >= *command.shorterThan)) {
                continue;
            }
            ++fileRows;
            longest = std::max(longest, count);
            if (command.summary)
                continue;
            std::string text;
            if (command.withFileName)
                text += shownPath(file) + '\t';
            if (command.withLineNumber)
                text += std::to_string(row.lineNumber) + '\t';
            lines.push_back({ text + std::to_string(count) + '\t' + row.bytes, count });
        }
        if (command.summary) {
            lines.push_back({ std::to_string(fileRows) + '\t' + std::to_string(longest) + '\t'
                                  + shownPath(file),
                              longest });
        }
        totalRows += fileRows;
        totalLongest = std::max(totalLongest, longest);
    }
    anyRowPassed = command.check && totalRows > 0;
    if (command.sortOrder) {
        std::stable_sort(lines.begin(), lines.end(), [&](const LaidOut& a, const LaidOut& b) {
            return command.sortOrder == Qt::AscendingOrder ? a.count < b.count : a.count > b.count;
        });
    }
    if (command.summary && rowsOfFiles.size() > 1) {
        lines.push_back(
            { std::to_string(totalRows) + '\t' + std::to_string(totalLongest) + "\ttotal", 0 });
    }
    const char* lineEnd = command.lineEnding == LineEnding::CrLf ? "\r\n" : "\n";
    QByteArray bytes;
    for (const LaidOut& line : lines)
        bytes += QByteArray::fromStdString(line.text) + lineEnd;
    return bytes;
}

/// Runs the command's stages over the texts as velmora-count does, into `writer`, the rows held
/// back for sorting spilling after a few bytes; whether a row passed, as --check tells it.
bool runCommand(const std::vector<std::string>& texts, const Settings& settings,
                ResultsWriter& writer)
{
    const CountCommand& command = settings.command;
    const auto step = std::size_t(settings.step);
    RowPipeline rows(command, writer, smallStore(settings));
    LineMatcher matcher(command.filter);
    for (std::size_t file = 0; file < texts.size(); ++file) {
        rows.startFile(file == 0 ? QStringLiteral("-")
                                 : pathFromBytes(QByteArray::fromStdString(shownPath(file))));
        LineCounter counter(matcher, rows.head());
        feed(counter, texts[file], step);
        rows.endFile(true);
    }
    rows.finish();
    require(rows.outputFailure().isEmpty());
    return rows.anyRowPassed();
}

void checkCommand(const std::vector<std::string>& texts, const std::vector<Rows>& rowsOfFiles,
                  const Settings& settings)
{
    const CountCommand& command = settings.command;
    bool anyRowPassed = false;
    const QByteArray expected = commandOutput(rowsOfFiles, command, anyRowPassed);
    MemoryWriter& memory = MemoryWriter::with(command.lineEnding);
    require(runCommand(texts, settings, memory.start()) == anyRowPassed);
    require(memory.finish() == expected);
    if (!settings.throughFiles)
        return;
    // The same into a file that replaces its target once complete.
    const QString path = scratchFolder() + QStringLiteral("/output");
    QString error;
    {
        const std::unique_ptr<ReplacingOutputFile> file = ReplacingOutputFile::open(path, error);
        require(file != nullptr);
        PendingFileByteSink output(*file);
        FileWriter& writer = FileWriter::with(command.lineEnding);
        writer.output.file = &output;
        runCommand(texts, settings, writer.writer);
        require(writer.writer.flush() && file->commit());
        writer.output.file = nullptr;
    }
    QFile result(path);
    require(result.open(QIODevice::ReadOnly) && result.readAll() == expected);
}

QByteArray marked(const QByteArray& text, Mark mark)
{
    switch (mark) {
    case Mark::AsGiven:
        return text;
    case Mark::Utf16LittleEndian:
        return "\xFF\xFE" + text;
    case Mark::Utf16BigEndian:
        return "\xFE\xFF" + text;
    case Mark::Utf8:
        return "\xEF\xBB\xBF" + text;
    }
    return text;
}

} // namespace

// Freed memory is not held back for long: the inputs are small, and memory that is never
// used again costs fresh pages, which would slow the run down several times over.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < Settings::size)
        return 0;
    const std::size_t textLength = std::min<std::size_t>(data[2] % 12, size - Settings::size);
    const Settings settings(data, size, textLength);
    const QByteArray text(reinterpret_cast<const char*>(data + Settings::size + textLength),
                          qsizetype(size - Settings::size - textLength));
    std::vector<QByteArray> files;
    if (settings.cut == 0 || settings.large) {
        files.push_back(marked(text, settings.mark));
    } else {
        const qsizetype cut = text.size() * settings.cut / 256;
        files.push_back(marked(text.left(cut), settings.mark));
        files.push_back(marked(text.mid(cut), settings.mark));
    }

    std::vector<std::string> texts;
    std::vector<Rows> rowsOfFiles;
    Rows rows;
    for (const QByteArray& file : files) {
        texts.push_back(plainText(file));
        rowsOfFiles.push_back(checkCount(file, settings));
        rows.insert(rows.end(), rowsOfFiles.back().begin(), rowsOfFiles.back().end());
    }
    if (settings.large) {
        checkReadAhead(files.front(), settings.step);
        return 0;
    }
    checkStore(texts, rows, settings);
    checkCommand(texts, rowsOfFiles, settings);
    return 0;
}
