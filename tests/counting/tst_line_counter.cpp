#include "collecting_sink.h"
#include "counting/line_counter.h"
#include "counting/line_matcher.h"
#include "reference_count.h"

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

/// Counts `text` handed over in pieces of `pieceSize` bytes (0: in one piece).
QList<CollectedRow> count(const QByteArray& text, const LineFilter& filter, qsizetype pieceSize = 0)
{
    LineMatcher matcher(filter);
    CollectingSink sink;
    LineCounter counter(matcher, sink);
    const qsizetype step = pieceSize > 0 ? pieceSize : qMax<qsizetype>(text.size(), 1);
    for (qsizetype at = 0; at < text.size(); at += step)
        counter.addText(
            std::string_view(text.constData() + at, std::size_t(qMin(step, text.size() - at))));
    counter.finishText();
    return sink.rows;
}

QList<CollectedRow> splitAt(const QByteArray& text, const LineFilter& filter, qsizetype at)
{
    LineMatcher matcher(filter);
    CollectingSink sink;
    LineCounter counter(matcher, sink);
    counter.addText(std::string_view(text.constData(), std::size_t(at)));
    counter.addText(std::string_view(text.constData() + at, std::size_t(text.size() - at)));
    counter.finishText();
    return sink.rows;
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
        QTest::newRow("truncated_at_line_end")
            << bytes("\xE2\x82\r\nx") << every() << "2:%E2%82\n1:x\n";
        QTest::newRow("mark_inside_text_is_a_character")
            << bytes("x\n\xEF\xBB\xBFy") << every() << "1:x\n2:%EF%BB%BFy\n";
        QTest::newRow("return_inside_a_character_is_removed_first")
            << bytes("\xC3\r\xA9") << every() << "1:%C3%A9\n";

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
        QTest::newRow("nul_in_text")
            << bytesWithNul("a\0b\nab") << containing(QString(QChar(0))) << "3:a%00b\n";
    }
    void rows()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        QCOMPARE(describe(count(text, filter)), expected);
    }

    void sameRowsWhereverTheTextIsSplit_data() { rows_data(); }
    void sameRowsWhereverTheTextIsSplit()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        for (qsizetype at = 0; at <= text.size(); ++at)
            QCOMPARE(describe(splitAt(text, filter, at)), expected);
        QCOMPARE(describe(count(text, filter, 1)), expected);
    }

    // Each row "line:count:bytes".
    void lineNumbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<LineFilter>("filter");
        QTest::addColumn<QString>("expected");

        const QByteArray longLine(150, 'y');
        QTest::newRow("crlf_lines") << bytes("a\r\nb\r\n") << every() << "1:1:a\n2:1:b\n";
        QTest::newRow("empty_lines_numbered")
            << bytes("\n\na\n\r\n\nb") << every() << "3:1:a\n6:1:b\n";
        QTest::newRow("returns_do_not_end_lines")
            << bytes("a\rb\r\rc\nd") << every() << "1:3:abc\n2:1:d\n";
        QTest::newRow("lines_filtered_out_numbered")
            << bytes("abc\nx\nxabc\n\nabc") << containing(QStringLiteral("ABC"))
            << "1:3:abc\n3:4:xabc\n5:3:abc\n";
        QTest::newRow("lines_skipped_unseen_numbered")
            << QByteArray(longLine + "\n\nxy\n" + longLine + "\rab\n" + longLine + "xy\n\n")
            << containing(QStringLiteral("xy"), Qt::CaseSensitive)
            << QString::fromLatin1("3:2:xy\n5:152:" + longLine + "xy\n");
        QTest::newRow("not_contains_numbered")
            << bytes("skip\nkeep\n\nskip\nkeep") << notContaining(QStringLiteral("SKIP"))
            << "2:4:keep\n5:4:keep\n";
        QTest::newRow("after_lines_longer_than_a_chunk")
            << QByteArray(longLine + "\n" + longLine + "\r\n\nz") << every()
            << QString::fromLatin1("1:150:" + longLine + "\n2:150:" + longLine + "\n4:1:z\n");
    }
    void lineNumbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(LineFilter, filter);
        QFETCH(QString, expected);
        QCOMPARE(describe(count(text, filter), LineNumbers::Shown), expected);
        for (qsizetype at = 0; at <= text.size(); ++at)
            QCOMPARE(describe(splitAt(text, filter, at), LineNumbers::Shown), expected);
        QCOMPARE(describe(count(text, filter, 1), LineNumbers::Shown), expected);
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
            const QString expected = describe(referenceRows(text, filter), LineNumbers::Shown);
            QCOMPARE(describe(count(text, filter), LineNumbers::Shown), expected);
            QCOMPARE(describe(count(text, filter, 1 + random.bounded(70)), LineNumbers::Shown),
                     expected);
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
