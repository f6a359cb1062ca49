#include "collecting_sink.h"
#include "counting/match/line_matcher.h"
#include "counting/output/byte_sink.h"
#include "counting/output/results_writer.h"
#include "counting/scan/line_counter.h"
#include "counting/text/case_variants.h"
#include "fakes/small_file_system.h"
#include "reference_count.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

Q_DECLARE_METATYPE(velmora::LineFilter)

namespace {

LineFilter every()
{
    return {};
}

LineFilter containing(const QString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    return { LineFilterMode::Containing, text, cs };
}

LineFilter notContaining(const QString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    return { LineFilterMode::NotContaining, text, cs };
}

QByteArray bytes(const char* text)
{
    return QByteArray(text);
}

template<std::size_t N> QByteArray bytesWithNul(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

/// Hands `text` to the counter in pieces of `pieceSize` bytes (0: in one piece), and ends it.
void feed(LineCounter& counter, const QByteArray& text, qsizetype pieceSize)
{
    const qsizetype step = pieceSize > 0 ? pieceSize : qMax<qsizetype>(text.size(), 1);
    for (qsizetype at = 0; at < text.size(); at += step)
        counter.addText(
            std::string_view(text.constData() + at, std::size_t(qMin(step, text.size() - at))));
    counter.finishText();
}

/// Counts `text` handed over in pieces of `pieceSize` bytes (0: in one piece), finding line
/// ends with the instructions of `level`; lines the pieces leave unfinished are kept in memory
/// up to `longLineBytes` (0: as the counter chooses).
QList<CollectedRow> count(const QByteArray& text, const LineFilter& filter, qsizetype pieceSize = 0,
                          SimdLevel level = SimdLevel::Portable, std::size_t longLineBytes = 0)
{
    LineMatcher matcher(filter);
    CollectingSink sink;
    LineCounter counter(matcher, sink, level);
    counter.setLongLineBytes(longLineBytes);
    feed(counter, text, pieceSize);
    return sink.rows;
}

/// Keeps the counts and line numbers of the rows, as the summary reads them.
class CountsOnlySink final : public RowSink
{
public:
    void addRow(std::string_view, CharacterCount count, LineNumber lineNumber) override
    {
        rows.append({ {}, count.value, lineNumber.value });
    }
    bool needsLineBytes() const override { return false; }

    QList<CollectedRow> rows;
};

/// The rows of `text` as a sink that reads only counts gets them.
QList<CollectedRow> countsOnly(const QByteArray& text, const LineFilter& filter,
                               qsizetype pieceSize, std::size_t longLineBytes)
{
    LineMatcher matcher(filter);
    CountsOnlySink sink;
    LineCounter counter(matcher, sink);
    counter.setLongLineBytes(longLineBytes);
    feed(counter, text, pieceSize);
    return sink.rows;
}

QList<CollectedRow> withoutBytes(QList<CollectedRow> rows)
{
    for (CollectedRow& row : rows)
        row.bytes.clear();
    return rows;
}

QList<CollectedRow> splitAt(const QByteArray& text, const LineFilter& filter, qsizetype at,
                            SimdLevel level)
{
    LineMatcher matcher(filter);
    CollectingSink sink;
    LineCounter counter(matcher, sink, level);
    counter.addText(std::string_view(text.constData(), std::size_t(at)));
    counter.addText(std::string_view(text.constData() + at, std::size_t(text.size() - at)));
    counter.finishText();
    return sink.rows;
}

/// What the results writer puts out when the counter packs the rows of `text` into it.
QByteArray written(const QByteArray& text, const LineFilter& filter, qsizetype pieceSize,
                   SimdLevel level, std::size_t longLineBytes)
{
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    DeviceByteSink output(file);
    ResultsWriter writer(output, LineEnding::CrLf);
    LineMatcher matcher(filter);
    LineCounter counter(matcher, writer, level);
    counter.setLongLineBytes(longLineBytes);
    feed(counter, text, pieceSize);
    if (!writer.flush())
        qFatal("writing to a buffer failed");
    return file.data();
}

/// The rows of the plain way, after checking that every vector way gives the same, and that
/// the results writer, whose rows each way packs in place, puts out each of them.
QList<CollectedRow> countOnEveryLevel(const QByteArray& text, const LineFilter& filter,
                                      qsizetype pieceSize = 0, std::size_t longLineBytes = 0)
{
    const QList<CollectedRow> rows
        = count(text, filter, pieceSize, SimdLevel::Portable, longLineBytes);
    QByteArray rowsAsWritten;
    for (const CollectedRow& row : rows)
        rowsAsWritten += QByteArray::number(qulonglong(row.count)) + '\t'
            + QByteArray::fromStdString(row.bytes) + "\r\n";
    for (const SimdLevel level : availableSimdLevels()) {
        const QList<CollectedRow> other = count(text, filter, pieceSize, level, longLineBytes);
        if (other != rows) {
            qWarning("level %d gives\n%s\nline numbers %s", int(level), qPrintable(describe(other)),
                     qPrintable(lineNumbers(other)));
            return {};
        }
        const QByteArray output = written(text, filter, pieceSize, level, longLineBytes);
        if (output != rowsAsWritten) {
            qsizetype at = 0;
            while (at < output.size() && at < rowsAsWritten.size()
                   && output[at] == rowsAsWritten[at])
                ++at;
            qWarning("level %d writes from byte %lld\n%s\ninstead of\n%s", int(level),
                     qlonglong(at), output.mid(at, 80).toPercentEncoding(" \t").constData(),
                     rowsAsWritten.mid(at, 80).toPercentEncoding(" \t").constData());
            return {};
        }
    }
    return rows;
}

} // namespace

class TestLineCounter : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<LineFilter>("filter");
        QTest::addColumn<QString>("expected");

        QTest::newRow("crlf_lines") << bytes("a\r\nb\r\n") << every() << "1:a\n1:b\n";
        QTest::newRow("no_final_line_feed") << bytes("a\nb") << every() << "1:a\n1:b\n";
        QTest::newRow("return_inside_line") << bytes("a\rb") << every() << "2:ab\n";
        QTest::newRow("returns_everywhere") << bytes("\ra\r\rb\r\r\n\r") << every() << "2:ab\n";
        QTest::newRow("only_line_ends") << bytes("\r\n\n\r\n\n") << every() << "";
        QTest::newRow("only_returns") << bytes("\r\r\r") << every() << "";
        QTest::newRow("three_spaces") << bytes("   \n") << every() << "3:   \n";
        QTest::newRow("tab_counts_one") << bytes("a\tb\n") << every() << "3:a\tb\n";
        QTest::newRow("nul_is_a_character")
            << bytesWithNul("a\0b\n\0") << every() << "3:a%00b\n1:%00\n";
        QTest::newRow("invalid_byte_counts_one_each") << bytes("\xE2\x82"
                                                               "a")
                                                      << every() << "3:%E2%82a\n";
        QTest::newRow("windows1252_kept_byte_for_byte")
            << bytes("caf\xE9\r\n") << every() << "4:caf%E9\n";
        QTest::newRow("utf8_two_bytes_one_unit")
            << bytes("caf\xC3\xA9") << every() << "4:caf%C3%A9\n";
        QTest::newRow("utf8_four_bytes_two_units")
            << bytes("\xF0\x9F\x98\x80") << every() << "2:%F0%9F%98%80\n";
        QTest::newRow("overlong_two_units") << bytes("\xC0\x80") << every() << "2:%C0%80\n";
        QTest::newRow("encoded_surrogate_three_units")
            << bytes("\xED\xA0\x80") << every() << "3:%ED%A0%80\n";
        QTest::newRow("above_unicode_four_units")
            << bytes("\xF4\x90\x80\x80") << every() << "4:%F4%90%80%80\n";
        QTest::newRow("narrow_leads_with_second_bytes_in_range")
            << bytes("\xE0\xA4\x85\n\xED\x9F\xBF\n\xF4\x8F\xBF\xBF\n\xF0\x90\x80\x80\n") << every()
            << "1:%E0%A4%85\n1:%ED%9F%BF\n2:%F4%8F%BF%BF\n2:%F0%90%80%80\n";
        QTest::newRow("overlong_three_bytes_three_units")
            << bytes("\xE0\x9F\xBF\n") << every() << "3:%E0%9F%BF\n";
        QTest::newRow("overlong_four_bytes_four_units")
            << bytes("\xF0\x8F\xBF\xBF\r\n") << every() << "4:%F0%8F%BF%BF\n";
        QTest::newRow("narrow_leads_cut_short")
            << bytes("\xE0\xA4\r\n\xF0\x9F\x98\n") << every() << "2:%E0%A4\n3:%F0%9F%98\n";
        QTest::newRow("narrow_leads_ending_chunks")
            << QByteArray(QByteArray(63, 'x') + "\xF0\x9F\x98\x80" + QByteArray(60, 'y')
                          + "\xE0\x9F\xBF" + QByteArray(61, 'z') + "\xED\x9F\xBF\n")
            << every()
            << QString::fromLatin1("190:" + QByteArray(63, 'x') + "%F0%9F%98%80"
                                   + QByteArray(60, 'y') + "%E0%9F%BF" + QByteArray(61, 'z')
                                   + "%ED%9F%BF\n");
        QTest::newRow("four_byte_characters_across_chunks")
            << QByteArray(QByteArray(63, 'x') + "\xF0\x9F\x98\x80\n" + QByteArray(62, 'y')
                          + "\xF0\x9F\x98\x80\n")
            << every()
            << QString::fromLatin1("65:" + QByteArray(63, 'x')
                                   + "%F0%9F%98%80\n64:" + QByteArray(62, 'y') + "%F0%9F%98%80\n");
        QTest::newRow("continuation_after_line_feed_counts_alone")
            << bytes("\xF0\n\x9F\x98x\n\xE2\r\n\x82\n\xC3\xA9\n") << every()
            << "1:%F0\n3:%9F%98x\n1:%E2\n1:%82\n1:%C3%A9\n";
        QTest::newRow("truncated_at_line_end")
            << bytes("\xE2\x82\r\nx") << every() << "2:%E2%82\n1:x\n";
        QTest::newRow("mark_inside_text_is_a_character")
            << bytes("x\n\xEF\xBB\xBFy") << every() << "1:x\n2:%EF%BB%BFy\n";
        QTest::newRow("return_inside_a_character_leaves_two_bytes")
            << bytes("\xC3\r\xA9") << every() << "2:%C3%A9\n";
        QTest::newRow("return_inside_a_three_byte_character") << bytes("\xE2\r\x82\xAC"
                                                                       "X\n")
                                                              << every() << "4:%E2%82%ACX\n";
        QTest::newRow("returns_between_every_byte_of_a_character")
            << bytes("\xE2\r\x82\r\xAC\r\n") << every() << "3:%E2%82%AC\n";
        QTest::newRow("return_inside_a_four_byte_character")
            << bytes("a\xF0\x9F\r\x98\x80") << every() << "5:a%F0%9F%98%80\n";
        QTest::newRow("return_before_a_character")
            << bytes("\r\xE2\x82\xAC\r\n") << every() << "1:%E2%82%AC\n";
        QTest::newRow("return_between_characters")
            << bytes("\xE2\x82\xAC\r\xC3\xA9") << every() << "2:%E2%82%AC%C3%A9\n";
        QTest::newRow("return_between_invalid_bytes")
            << bytes("\xFF\r\x80\xE2\r") << every() << "3:%FF%80%E2\n";
        QTest::newRow("return_inside_a_character_in_a_long_line")
            << QByteArray(QByteArray(70, 'x') + "\xC3\r\xA9" + QByteArray(70, 'y') + "\n")
            << every()
            << QString::fromLatin1("142:" + QByteArray(70, 'x') + "%C3%A9" + QByteArray(70, 'y')
                                   + "\n");
        QTest::newRow("character_joined_by_removed_return_is_not_found")
            << bytes("\xE2\r\x82\xAC\n\xE2\x82\xAC")
            << containing(QStringLiteral("\u20AC"), Qt::CaseSensitive) << "1:%E2%82%AC\n";
        QTest::newRow("bytes_of_a_split_character_are_replacement_characters")
            << bytes("\xE2\r\x82\xAC\n\xE2\x82\xAC")
            << containing(QStringLiteral("\uFFFD\uFFFD\uFFFD")) << "3:%E2%82%AC\n";
        QTest::newRow("split_character_is_not_contained")
            << bytes("\xC3\r\xA9t\xC3\xA9\n\xC3\xA9t\xC3\xA9")
            << notContaining(QStringLiteral("\u00E9T\u00C9")) << "4:%C3%A9t%C3%A9\n";

        QTest::newRow("contains_ignoring_case")
            << bytes("xABCx\nxyz") << containing(QStringLiteral("abc")) << "5:xABCx\n";
        QTest::newRow("contains_matching_case")
            << bytes("xABCx\nxabcx") << containing(QStringLiteral("ABC"), Qt::CaseSensitive)
            << "5:xABCx\n";
        QTest::newRow("contains_empty_text_passes_every_line")
            << bytes("a\n\nb") << containing({}) << "1:a\n1:b\n";
        QTest::newRow("not_contains_empty_text_passes_none")
            << bytes("a\nb") << notContaining({}) << "";
        QTest::newRow("not_contains")
            << bytes("empty file\nfull") << notContaining(QStringLiteral("EMPTY")) << "4:full\n";
        QTest::newRow("every_ignores_text")
            << bytes("a\nb") << LineFilter { LineFilterMode::Every, QStringLiteral("zzz") }
            << "1:a\n1:b\n";
        QTest::newRow("nothing_passes_no_line")
            << bytes("a\nb") << LineFilter { LineFilterMode::Nothing, QStringLiteral("a") } << "";
        QTest::newRow("umlaut_folds")
            << QByteArray("\xC3\x84RGER") << containing(QStringLiteral("\u00E4rger"))
            << "5:%C3%84RGER\n";
        QTest::newRow("umlaut_case_matters_when_asked")
            << QByteArray("\xC3\x84RGER")
            << containing(QStringLiteral("\u00E4RGER"), Qt::CaseSensitive) << "";
        QTest::newRow("kelvin_sign_in_line_folds_to_k")
            << bytes("o\xE2\x84\xAA!") << containing(QStringLiteral("OK")) << "3:o%E2%84%AA%21\n";
        QTest::newRow("kelvin_sign_in_text_folds_to_k")
            << bytes("ok") << containing(QStringLiteral("O\u212A")) << "2:ok\n";
        QTest::newRow("long_s_folds_to_s")
            << bytes("\xC5\xBFun\nrun") << containing(QStringLiteral("SUN")) << "3:%C5%BFun\n";
        QTest::newRow("capital_sharp_s_folds_to_sharp_s")
            << bytes("STRA\xE1\xBA\x9E"
                     "E")
            << containing(QStringLiteral("stra\u00DFe")) << "6:STRA%E1%BA%9EE\n";
        QTest::newRow("dotted_capital_i_is_not_i")
            << bytes("\xC4\xB0") << containing(QStringLiteral("i")) << "";
        QTest::newRow("ascii_text_in_non_ascii_line")
            << bytes("caf\xC3\xA9 zebra") << containing(QStringLiteral("ZEBRA"))
            << "10:caf%C3%A9 zebra\n";
        QTest::newRow("text_split_by_return_in_line")
            << bytes("xab\rcx\r\nabx") << containing(QStringLiteral("abc"), Qt::CaseSensitive)
            << "5:xabcx\n";
        QTest::newRow("text_split_by_return_in_long_line")
            << QByteArray(QByteArray(40, 'x') + "ab\rc" + QByteArray(40, 'y') + "\n"
                          + QByteArray(60, 'z'))
            << containing(QStringLiteral("ABC"))
            << QString::fromLatin1("83:" + QByteArray(40, 'x') + "abc" + QByteArray(40, 'y')
                                   + "\n");
        QTest::newRow("not_contains_text_split_by_return_in_long_line")
            << QByteArray(QByteArray(70, 'x') + "ab\rc" + QByteArray(70, 'y') + "\n"
                          + QByteArray(80, 'z') + "\n" + QByteArray(70, 'x') + "ABC")
            << notContaining(QStringLiteral("abc"))
            << QString::fromLatin1("80:" + QByteArray(80, 'z') + "\n");
        // The text early in a line that ends chunks later, and the text across a chunk's end.
        QTest::newRow("not_contains_text_chunks_before_the_line_end")
            << QByteArray("time" + QByteArray(70, 'x') + "\r\n" + QByteArray(50, 'y') + "TiMe"
                          + QByteArray(10, 'z') + "\n" + QByteArray(80, 'w') + "\n")
            << notContaining(QStringLiteral("TIME"))
            << QString::fromLatin1("80:" + QByteArray(80, 'w') + "\n");
        QTest::newRow("kelvin_sign_between_letters")
            << QByteArray(QByteArray(30, '-')
                          + "a\xE2\x84\xAA"
                            "b"
                          + QByteArray(30, '-') + "\n")
            << containing(QStringLiteral("AKB"))
            << QString::fromLatin1("63:" + QByteArray(30, '-') + "a%E2%84%AAb" + QByteArray(30, '-')
                                   + "\n");
        QTest::newRow("long_s_between_letters")
            << QByteArray(QByteArray(30, '-') + "a\xC5\xBFsb" + QByteArray(30, '-') + "\n")
            << containing(QStringLiteral("ASSB"))
            << QString::fromLatin1("64:" + QByteArray(30, '-') + "a%C5%BFsb" + QByteArray(30, '-')
                                   + "\n");
        QTest::newRow("text_with_return_never_found")
            << bytes("a\rb\nab") << containing(QStringLiteral("a\rb")) << "";
        QTest::newRow("text_with_line_feed_never_found")
            << bytes("a\nb") << containing(QStringLiteral("a\nb")) << "";
        QTest::newRow("not_contains_text_with_line_feed_passes_all")
            << bytes("a\nb") << notContaining(QStringLiteral("a\nb")) << "1:a\n1:b\n";
        QTest::newRow("replacement_character_matches_invalid_byte")
            << bytes("x\xFFy\nxy") << containing(QStringLiteral("x\uFFFDy"), Qt::CaseSensitive)
            << "3:x%FFy\n";
        QTest::newRow("replacement_character_matches_itself")
            << bytes("\xEF\xBF\xBD") << containing(QStringLiteral("\uFFFD")) << "1:%EF%BF%BD\n";
        QTest::newRow("non_ascii_text_exact")
            << bytes("caf\xC3\xA9\nCAF\xC3\x89")
            << containing(QStringLiteral("\u00E9"), Qt::CaseSensitive) << "4:caf%C3%A9\n";
        QTest::newRow("non_ascii_text_folded")
            << bytes("caf\xC3\xA9\nCAF\xC3\x89\ncafe") << containing(QStringLiteral("\u00C9"))
            << "4:caf%C3%A9\n4:CAF%C3%89\n";
        QTest::newRow("pair_without_the_text_then_the_text_in_one_line")
            << QByteArray(QByteArray("him ").repeated(12) + "xTiMe\n"
                          + QByteArray("him ").repeated(12) + "\n"
                          + QByteArray("ime ").repeated(12))
            << containing(QStringLiteral("time"))
            << QString::fromLatin1("53:" + QByteArray("him ").repeated(12) + "xTiMe\n");
        QTest::newRow("pair_before_the_start_of_the_text")
            << QByteArray("ime" + QByteArray(40, '-') + "\ntime" + QByteArray(40, '-'))
            << containing(QStringLiteral("TIME"))
            << QString::fromLatin1("44:time" + QByteArray(40, '-') + "\n");
        QTest::newRow("text_across_a_line_feed_is_not_found")
            << QByteArray(QByteArray(40, '-') + "ti\nme" + QByteArray(40, '-'))
            << containing(QStringLiteral("time")) << "";
        QTest::newRow("pair_of_another_word")
            << QByteArray(QByteArray(40, '-') + "Tame TIME\nTame Time" + QByteArray(40, '-'))
            << containing(QStringLiteral("Time"), Qt::CaseSensitive)
            << QString::fromLatin1("49:Tame Time" + QByteArray(40, '-') + "\n");
        QTest::newRow("return_after_the_text_is_removed")
            << QByteArray(QByteArray(40, '-') + "time\rs\r\r\n" + QByteArray(40, '-'))
            << containing(QStringLiteral("TIME"))
            << QString::fromLatin1("45:" + QByteArray(40, '-') + "times\n");
        QTest::newRow("kelvin_sign_after_the_pair")
            << QByteArray(QByteArray(40, '-') + "tiK ti\xE2\x84\xAA\n" + QByteArray(40, '-'))
            << containing(QStringLiteral("tik"))
            << QString::fromLatin1("47:" + QByteArray(40, '-') + "tiK ti%E2%84%AA\n");
        QTest::newRow("forms_of_other_lengths_before_and_after_the_pair")
            << QByteArray(QByteArray(40, '-')
                          + "\xC3\x84RGER \xE2\x84\xAA\xC3\xA4\xC5\xBF"
                            "E\nK\xC3\x84SE\n\xC3\x84SE"
                          + QByteArray(40, '-'))
            << containing(QStringLiteral("k\u00E4se"))
            << QString::fromLatin1("50:" + QByteArray(40, '-')
                                   + "%C3%84RGER %E2%84%AA%C3%A4%C5%BFE\n4:K%C3%84SE\n");
        QTest::newRow("pair_of_values_that_differ_in_several_bits")
            << QByteArray(QByteArray(40, '-') + "\xC5\xB8Y \xC3\xBFy\n\xC5\xB8X"
                          + QByteArray(40, '-'))
            << containing(QStringLiteral("\u00FFx"))
            << QString::fromLatin1("42:%C5%B8X" + QByteArray(40, '-') + "\n");
        QTest::newRow("zero_width_no_break_space_in_text")
            << QByteArray("\xBF\x00\xEF\xBB\xBF"
                          "e\n\x00"
                          "e\n",
                          10)
            << containing(QString(QChar(0)) + QChar(0xFEFF) + QLatin1Char('E'))
            << "4:%BF%00%EF%BB%BFe\n";
        QTest::newRow("text_starting_with_zero_width_no_break_space")
            << bytes("a\xEF\xBB\xBF"
                     "b\nab\n")
            << containing(QString(QChar(0xFEFF)) + QLatin1Char('B')) << "3:a%EF%BB%BFb\n";
        QTest::newRow("nul_in_text")
            << bytesWithNul("a\0b\nab") << containing(QString(QChar(0))) << "3:a%00b\n";
    }
    void rows()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        QCOMPARE(describe(countOnEveryLevel(text, filter)), expected);
    }

    void sameRowsWhereverTheTextIsSplit_data() { rows_data(); }
    void sameRowsWhereverTheTextIsSplit()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        for (const SimdLevel level : availableSimdLevels()) {
            for (qsizetype at = 0; at <= text.size(); ++at)
                QCOMPARE(describe(splitAt(text, filter, at, level)), expected);
        }
        QCOMPARE(describe(count(text, filter, 1)), expected);
    }

    void sameRowsWhenLinesOutgrowMemory_data() { rows_data(); }
    void sameRowsWhenLinesOutgrowMemory()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        // Lines longer than a few bytes are counted as they come, their text spilled, with
        // pieces that end anywhere: inside characters, between carriage returns.
        for (const std::size_t longLineBytes : { 1, 3 }) {
            for (const qsizetype pieceSize : { 0, 1, 5 }) {
                QCOMPARE(
                    describe(count(text, filter, pieceSize, SimdLevel::Portable, longLineBytes)),
                    expected);
            }
        }
        for (qsizetype at = 0; at <= text.size(); ++at) {
            LineMatcher matcher(filter);
            CollectingSink sink;
            LineCounter counter(matcher, sink, chosenSimdLevel());
            counter.setLongLineBytes(2);
            counter.addText(std::string_view(text.constData(), std::size_t(at)));
            counter.addText(std::string_view(text.constData() + at, std::size_t(text.size() - at)));
            counter.finishText();
            QCOMPARE(describe(sink.rows), expected);
        }
    }

    void longLineCountedWithoutItsBytes()
    {
        // A line of three mebibytes with characters of every size, carriage returns inside and
        // one cutting a character, among short lines; counted by 256 KiB pieces.
        static const QByteArray pieces[]
            = { "a",   "\t", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\r", "\xE2\r\x82\xAC",
                "\xFF" };
        QRandomGenerator random(7);
        QByteArray longLine;
        while (longLine.size() < 3 << 20)
            longLine += pieces[random.bounded(int(std::size(pieces)))];
        const QByteArray text = "short\n" + longLine + "\r\n\nlast";
        const QList<CollectedRow> expected = referenceRows(text, every());
        QCOMPARE(expected.size(), 3);
        // Spilled from 1 MiB on, the rows' bytes are the text's as the results writer puts
        // them out; where only counts are read, nothing of the line is kept.
        QVERIFY(countOnEveryLevel(text, every(), 256 * 1024, 1 << 20) == expected);
        QVERIFY(countsOnly(text, every(), 256 * 1024, 1 << 20) == withoutBytes(expected));
        QVERIFY(countsOnly(text, every(), 256 * 1024, 0) == withoutBytes(expected));
        // A filter reads the spilled text, as decoded between the carriage returns.
        const LineFilter cutEuro = containing(QStringLiteral("\uFFFD\uFFFD"), Qt::CaseSensitive);
        QVERIFY(count(text, cutEuro, 256 * 1024, chosenSimdLevel(), 1 << 20)
                == referenceRows(text, cutEuro));
    }

    void longLineFailsWhereItCannotBeSpilled()
    {
        SmallFileSystem disk;
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        const TemporaryFolderOverride temporaryFolder(disk.path());
        LineMatcher matcher(every());
        CollectingSink sink;
        LineCounter counter(matcher, sink);
        counter.setLongLineBytes(4);
        // Far more than the small disk takes.
        const QByteArray line(1024 * 1024, 'a');
        counter.addText(std::string_view(line.constData(), std::size_t(line.size())));
        QVERIFY(!counter.finishText());
        QVERIFY(sink.rows.isEmpty());
        QCOMPARE(counter.takeFailure(),
                 QStringLiteral("temporary folder %1: No space left on device (set TMPDIR to a "
                                "folder with more room)")
                     .arg(disk.path()));
    }

    void rowsKnowTheirLineNumbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<LineFilter>("filter");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty_lines_are_numbered")
            << bytes("a\n\nc\r\n\r\n\ne") << every() << "1 3 6";
        QTest::newRow("lone_returns_end_no_line") << bytes("a\rb\r\r\nc\rd") << every() << "1 2";
        QTest::newRow("first_line_empty") << bytes("\nb") << every() << "2";
        QTest::newRow("lines_longer_than_a_chunk")
            << QByteArray(QByteArray(100, 'x') + "\n\n" + QByteArray(130, 'y') + "\n"
                          + QByteArray(64, '\n') + "z")
            << every() << "1 3 68";
        QTest::newRow("careful_lines_among_plain_ones")
            << bytes("a\n\xFF\n\nb\rc\n\xE2\r\x82\nd") << every() << "1 2 4 5 6";
        QTest::newRow("skipped_lines_counted")
            << bytes("x\ny\n\nabc\nz\nabcd\n")
            << containing(QStringLiteral("abc"), Qt::CaseSensitive) << "4 6";
        QTest::newRow("skipped_lines_counted_ignoring_case")
            << QByteArray(QByteArray(200, '\n') + "xABCx\n" + QByteArray(90, '-') + "\nabc")
            << containing(QStringLiteral("abc")) << "201 203";
        QTest::newRow("line_feeds_of_many_blocks_skipped")
            << QByteArray("xabc\n" + QByteArray(8200, '\n') + "abc")
            << containing(QStringLiteral("abc"), Qt::CaseSensitive) << "1 8202";
        QTest::newRow("found_through_a_return")
            << bytes("\n\nab\rc\n") << containing(QStringLiteral("abc"), Qt::CaseSensitive) << "3";
        QTest::newRow("not_containing")
            << bytes("abc\nd\n\nabc\ne") << notContaining(QStringLiteral("B")) << "2 5";
        QTest::newRow("non_ascii_text") << bytes("caf\xC3\xA9\n\ncaf\xC3\x89\n")
                                        << containing(QStringLiteral("\u00E9")) << "1 3";
    }
    void rowsKnowTheirLineNumbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        QCOMPARE(lineNumbers(countOnEveryLevel(text, filter)), expected);
        for (const SimdLevel level : availableSimdLevels()) {
            for (qsizetype at = 0; at <= text.size(); ++at)
                QCOMPARE(lineNumbers(splitAt(text, filter, at, level)), expected);
        }
    }

    void utf8FormAtEveryPlaceOfTwoChunks_data()
    {
        QTest::addColumn<QByteArray>("form");
        const auto add
            = [](const char* name, const QByteArray& form) { QTest::newRow(name) << form; };
        add("two_bytes_lowest", "\xC2\x80");
        add("two_bytes_highest", "\xDF\xBF");
        add("after_e0_lowest", "\xE0\xA0\x80");
        add("after_e0_highest", "\xE0\xBF\xBF");
        add("before_surrogates", "\xED\x9F\xBF");
        add("after_surrogates", "\xEE\x80\x80");
        add("after_f0_lowest", "\xF0\x90\x80\x80");
        add("plane_three", "\xF3\xBF\xBF\xBF");
        add("highest_code_point", "\xF4\x8F\xBF\xBF");
        add("overlong_c0", "\xC0\xAF");
        add("overlong_c1", "\xC1\xBF");
        add("overlong_e0_highest", "\xE0\x9F\xBF");
        add("overlong_e0_with_bit_10", "\xE0\x90\x80");
        add("overlong_e0_lowest", "\xE0\x80\x80");
        add("overlong_f0_highest", "\xF0\x8F\xBF\xBF");
        add("overlong_f0_lowest", "\xF0\x80\x80\x80");
        add("surrogate_lowest", "\xED\xA0\x80");
        add("surrogate_highest", "\xED\xBF\xBF");
        add("past_last_plane_with_bit_10", "\xF4\x90\x80\x80");
        add("past_last_plane_with_bit_20", "\xF4\xA0\x80\x80");
        add("lead_f5", "\xF5\x80\x80\x80");
        add("lead_ff", "\xFF");
        add("two_bytes_cut_short", "\xC3");
        add("three_bytes_cut_short", "\xE2\x82");
        add("four_bytes_cut_short", "\xF0\x9F\x98");
        add("e0_cut_short", "\xE0\xA0");
        add("ed_cut_short", "\xED\x9F");
        add("e0_before_ascii_with_bit_20", "\xE0\x61\x80");
        add("f4_before_ascii", "\xF4\x0F\x80\x80");
        add("ed_before_line_feed", "\xED\n\x80\x80");
        add("stray_continuation_lowest", "\x80");
        add("stray_continuation_highest", "\xBF");
        add("one_continuation_too_many", "\xC3\xA9\xA9");
        add("return_after_e0", "\xE0\r\xA0\x80");
        add("return_after_f4", "\xF4\r\x8F\xBF\xBF");
    }

    void utf8FormAtEveryPlaceOfTwoChunks()
    {
        QFETCH(QByteArray, form);
        // Each valid form and each way to be invalid at every byte of two chunks and across
        // the line between them, ending its line and inside it, on the paths that count
        // every line, examine lines for a text, and pass those without it.
        const LineFilter filters[]
            = { every(), containing(QStringLiteral("x")), notContaining(QStringLiteral("q")) };
        for (int at = 0; at < 130; ++at) {
            const QByteArray text = "\xE2\x82\xAC\n" + QByteArray(at, 'x') + form + "yz\r\n"
                + QByteArray(at % 9, 'w') + form + "\r\n" + QByteArray(at, 'v') + form + "\n";
            for (const LineFilter& filter : filters) {
                const QList<CollectedRow> expected = referenceRows(text, filter);
                const QList<CollectedRow> rows = countOnEveryLevel(text, filter);
                QCOMPARE(describe(rows), describe(expected));
                QCOMPARE(lineNumbers(rows), lineNumbers(expected));
            }
        }
    }

    void agreesWithQtOnRandomText_data()
    {
        QTest::addColumn<LineFilter>("filter");
        QTest::newRow("every") << every();
        QTest::newRow("contains_folded") << containing(QStringLiteral("ak"));
        QTest::newRow("contains_exact") << containing(QStringLiteral("aK"), Qt::CaseSensitive);
        QTest::newRow("contains_non_ascii") << containing(QStringLiteral("\u00E9"));
        QTest::newRow("contains_sharp_s") << containing(QStringLiteral("\u00DFs"));
        QTest::newRow("contains_replacement")
            << containing(QStringLiteral("a\uFFFD"), Qt::CaseSensitive);
        QTest::newRow("contains_folded_with_non_ascii") << containing(QStringLiteral("K\u00C9s"));
        QTest::newRow("contains_folded_sharp_s_and_kelvin")
            << containing(QStringLiteral("\u00DF\u212A"));
        QTest::newRow("contains_without_case_variants") << containing(QStringLiteral("\u2122a"));
        QTest::newRow("not_contains_folded_with_non_ascii")
            << notContaining(QStringLiteral("\u00E9a"));
        QTest::newRow("not_contains_exact_non_ascii")
            << notContaining(QStringLiteral("\u212A\u00E9"), Qt::CaseSensitive);
        QTest::newRow("not_contains_folded") << notContaining(QStringLiteral("s"));
        QTest::newRow("not_contains_exact")
            << notContaining(QStringLiteral("\u00C9a"), Qt::CaseSensitive);
    }
    void agreesWithQtOnRandomText()
    {
        QFETCH(LineFilter, filter);
        // Bytes that make the engine take its less common ways: line structure, letters that
        // fold, pieces of multi-byte characters, KELVIN SIGN and LONG S, invalid bytes.
        static const QByteArray alphabet("aAkKsS \t\r\n\n\x00\xC3\xA9\x89\xE2\x84\xAA\xC5\xBF"
                                         "\xFF\x80\xF0\x9F\x98\xE1\xBA\x9E\xEF\xBF\xBD\x9F",
                                         33);
        QRandomGenerator random(4711);
        for (int round = 0; round < 400; ++round) {
            QByteArray text;
            const int length = int(random.bounded(300));
            for (int i = 0; i < length; ++i)
                text += alphabet.at(random.bounded(alphabet.size()));
            // Some long runs without a line break, so that chunks end inside lines.
            if (round % 4 == 0)
                text.insert(random.bounded(text.size() + 1), QByteArray(150, 'a'));
            const QList<CollectedRow> expected = referenceRows(text, filter);
            const QList<CollectedRow> rows = countOnEveryLevel(text, filter);
            QCOMPARE(describe(rows), describe(expected));
            QCOMPARE(lineNumbers(rows), lineNumbers(expected));
            const qsizetype pieceSize = 1 + random.bounded(70);
            QCOMPARE(describe(countOnEveryLevel(text, filter, pieceSize)), describe(expected));
            // Lines past a few bytes counted as they come, their text spilled.
            if (round % 4 != 0)
                continue;
            const auto longLineBytes = std::size_t(1 + random.bounded(40));
            QCOMPARE(describe(count(text, filter, pieceSize, chosenSimdLevel(), longLineBytes)),
                     describe(expected));
            QCOMPARE(describe(countsOnly(text, filter, pieceSize, longLineBytes)),
                     describe(withoutBytes(expected)));
        }
    }

    void rowsFillingSeveralWriterBuffers()
    {
        // Lines of every length from empty to past a thousand units, with and without a
        // carriage return at their end or inside, with characters of every size, until their
        // rows fill the writer's buffer a few times over.
        static const QByteArray pieces[]
            = { "a", "b", "\t", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xE0\xA4\x85" };
        QRandomGenerator random(99);
        QByteArray text;
        while (text.size() < 3 << 20) {
            const int length
                = random.bounded(16) == 0 ? int(random.bounded(1500)) : int(random.bounded(150));
            for (int i = 0; i < length; ++i)
                text += random.bounded(400) == 0 ? QByteArray("\r")
                                                 : pieces[random.bounded(int(std::size(pieces)))];
            text += random.bounded(2) == 0 ? "\r\n" : "\n";
        }
        const QList<CollectedRow> expected = referenceRows(text, every());
        QCOMPARE(describe(countOnEveryLevel(text, every(), 256 * 1024)), describe(expected));
        QCOMPARE(describe(countOnEveryLevel(text, every(), 1 + random.bounded(5000))),
                 describe(expected));
    }

    void caseVariants_data()
    {
        QTest::addColumn<uint>("character");
        QTest::addColumn<QList<uint>>("expected");
        QTest::newRow("k_and_kelvin_sign") << uint('K') << QList<uint> { 'K', 'k', 0x212A };
        QTest::newRow("s_and_long_s") << uint(0x17F) << QList<uint> { 'S', 's', 0x17F };
        QTest::newRow("umlaut") << uint(0xE4) << QList<uint> { 0xC4, 0xE4 };
        QTest::newRow("sharp_s") << uint(0x1E9E) << QList<uint> { 0xDF, 0x1E9E };
        QTest::newRow("final_sigma") << uint(0x3C3) << QList<uint> { 0x3A3, 0x3C2, 0x3C3 };
        QTest::newRow("deseret_in_second_plane")
            << uint(0x10400) << QList<uint> { 0x10400, 0x10428 };
        QTest::newRow("cjk_without_case") << uint(0x6771) << QList<uint> { 0x6771 };
        QTest::newRow("digit") << uint('7') << QList<uint> { '7' };
    }
    void caseVariants()
    {
        QFETCH(uint, character);
        QFETCH(QList<uint>, expected);
        const std::vector<char32_t> variants = velmora::caseVariants(char32_t(character));
        QCOMPARE(QList<uint>(variants.begin(), variants.end()), expected);
    }

    void noCaseAfterTheSecondPlane()
    {
        // The variants are looked for in the first two planes only.
        for (char32_t c = 0x20000; c <= QChar::LastValidCodePoint; ++c) {
            if (QChar::toCaseFolded(c) != c)
                QFAIL(qPrintable(QString::number(uint(c), 16)));
        }
    }

    void lineOfManyMegabytes()
    {
        QByteArray line(8 * 1024 * 1024, 'x');
        line[5 * 1024 * 1024] = '\r';
        line.replace(3 * 1024 * 1024, 4, "\xF0\x9F\x98\x80");
        const QByteArray text = "short\r\n" + line + "\r\nend";
        const QList<CollectedRow> rows = count(text, every(), 256 * 1024);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1].count, std::uint64_t(line.size() - 1 - 2));
        QCOMPARE(rows[1].bytes.size(), std::size_t(line.size() - 1));
        QVERIFY(rows[1].bytes.find('\r') == std::string::npos);
        QCOMPARE(describe({ rows[0], rows[2] }), QStringLiteral("5:short\n3:end\n"));
    }

    void failedRowSkipsRestOfText()
    {
        LineMatcher matcher(every());
        CollectingSink sink;
        sink.failAt = 1;
        LineCounter counter(matcher, sink);
        QVERIFY(!counter.addText("a\nb\nc\nd"));
        QVERIFY(!counter.finishText());
        QCOMPARE(sink.offered, 2);
        QVERIFY(counter.failed());
        QCOMPARE(counter.takeFailure(), QStringLiteral("No room for row 1"));
        QVERIFY(!counter.failed());
    }
};

QTEST_APPLESS_MAIN(TestLineCounter)
#include "tst_line_counter.moc"
