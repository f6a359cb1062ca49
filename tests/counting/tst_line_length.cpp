#include "counting/text/character_width_ranges.h"
#include "counting/text/line_length.h"

#include <QTest>

#include <iterator>
#include <utility>

using namespace velmora;

class TestLineLength : public QObject
{
    Q_OBJECT

private slots:
    void units_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<quint64>("utf16");
        QTest::addColumn<quint64>("chars");
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<quint64>("columns");
        const auto row = [](const char* name, const QByteArray& line, quint64 utf16, quint64 chars,
                            quint64 bytes, quint64 columns) {
            QTest::newRow(name) << line << utf16 << chars << bytes << columns;
        };
        row("ascii", "abc", 3, 3, 3, 3);
        row("combining_acute_accent", "e\xCC\x81", 2, 2, 3, 1);
        row("combining_accent_first", "\xCC\x81x", 2, 2, 3, 1);
        row("cjk_character", "\xE4\xB8\xAD", 1, 1, 3, 2);
        row("emoji_surrogate_pair", "\xF0\x9F\x98\x80", 2, 1, 4, 2);
        row("fullwidth_letter", "\xEF\xBC\xA1", 1, 1, 3, 2);
        row("hangul_syllable_and_conjoining_vowel", "\xED\x95\x9C\xE1\x85\xA1", 2, 2, 6, 2);
        row("cjk_extension_b", "\xF0\xA0\x80\x80", 2, 1, 4, 2);
        row("tab_at_start", "\tx", 2, 2, 2, 9);
        row("tab_after_three", "abc\tx", 5, 5, 5, 9);
        row("tab_after_seven", "1234567\t", 8, 8, 8, 8);
        row("tab_after_eight", "12345678\tx", 10, 10, 10, 17);
        row("two_tabs", "\t\t", 2, 2, 2, 16);
        row("tab_after_wide_character", "\xE4\xB8\xAD\t", 2, 2, 4, 8);
        row("tab_after_combining_mark", "abcdefge\xCC\x81\t", 10, 10, 11, 16);
        row("invalid_byte",
            "a\xFF"
            "b",
            3, 3, 3, 3);
        row("truncated_sequence_each_byte_one", "\xE4\xB8", 2, 2, 2, 2);
        row("overlong_form_each_byte_one", "\xC0\x80", 2, 2, 2, 2);
        row("encoded_surrogate_each_byte_one", "\xED\xA0\x80", 3, 3, 3, 3);
        row("control_character",
            "a\x01"
            "b\x7F",
            4, 4, 4, 2);
        row("c1_control_character", "\xC2\x85", 1, 1, 2, 0);
        row("zero_width_joiner_and_space",
            "a\xE2\x80\x8D\xE2\x80\x8B"
            "b",
            4, 4, 8, 2);
        row("soft_hyphen_shows", "\xC2\xAD", 1, 1, 2, 1);
        row("latin_1_byte_of_an_8_bit_file", "caf\xE9", 4, 4, 4, 4);
        // Long enough for eight bytes at a time, with what ends such a run at every place.
        row("long_ascii_run", "0123456789abcdefghij", 20, 20, 20, 20);
        row("tab_after_long_run", "0123456789\tabcdefgh\tx", 21, 21, 21, 33);
        row("control_inside_long_run",
            "0123456\x01"
            "89abcd\x7F"
            "f",
            16, 16, 16, 14);
        row("space_and_tilde_in_long_run", " ~ ~ ~ ~ ~ ~ ~ ~", 16, 16, 16, 16);
        row("wide_character_after_long_run",
            "0123456789\xE4\xB8\xAD"
            "abcdefgh",
            19, 19, 21, 20);
    }
    void units()
    {
        QFETCH(QByteArray, line);
        QFETCH(quint64, utf16);
        QFETCH(quint64, chars);
        QFETCH(quint64, bytes);
        QFETCH(quint64, columns);
        const std::string_view view(line.constData(), std::size_t(line.size()));
        QCOMPARE(quint64(lineLength(view, LengthUnit::Utf16)), utf16);
        QCOMPARE(quint64(lineLength(view, LengthUnit::Chars)), chars);
        QCOMPARE(quint64(lineLength(view, LengthUnit::Bytes)), bytes);
        QCOMPARE(quint64(lineLength(view, LengthUnit::Columns)), columns);
        // The prefix a limit allows measures as the whole line does: the line's own length
        // takes it all, one less leaves its last counted character out.
        for (const auto& [unit, length] :
             { std::pair { LengthUnit::Utf16, utf16 }, std::pair { LengthUnit::Chars, chars },
               std::pair { LengthUnit::Bytes, bytes },
               std::pair { LengthUnit::Columns, columns } }) {
            const LinePrefix whole = velmora::prefixWithin(view, unit, length);
            QCOMPARE(quint64(whole.characters), chars);
            QCOMPARE(qsizetype(whole.bytes), line.size());
            if (length > 0)
                QVERIFY(velmora::prefixWithin(view, unit, length - 1).bytes < view.size());
        }
    }

    void prefixWithin_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<LengthUnit>("unit");
        QTest::addColumn<quint64>("limit");
        QTest::addColumn<quint64>("characters");
        QTest::addColumn<quint64>("bytes");
        const QByteArray cjk("a\xE4\xB8\xAD"
                             "b");
        QTest::newRow("limit_zero")
            << QByteArray("abc") << LengthUnit::Chars << 0ULL << 0ULL << 0ULL;
        QTest::newRow("chars_cjk_is_one") << cjk << LengthUnit::Chars << 2ULL << 2ULL << 4ULL;
        QTest::newRow("columns_cjk_across_the_limit")
            << cjk << LengthUnit::Columns << 2ULL << 1ULL << 1ULL;
        QTest::newRow("columns_cjk_ends_at_the_limit")
            << cjk << LengthUnit::Columns << 3ULL << 2ULL << 4ULL;
        QTest::newRow("bytes_cjk_across_the_limit")
            << cjk << LengthUnit::Bytes << 3ULL << 1ULL << 1ULL;
        QTest::newRow("utf16_surrogate_pair_across_the_limit")
            << QByteArray("a\xF0\x9F\x98\x80") << LengthUnit::Utf16 << 2ULL << 1ULL << 1ULL;
        QTest::newRow("columns_tab_across_the_limit")
            << QByteArray("abc\tx") << LengthUnit::Columns << 5ULL << 3ULL << 3ULL;
        QTest::newRow("columns_combining_mark_stays_with_its_letter")
            << QByteArray("e\xCC\x81x") << LengthUnit::Columns << 1ULL << 2ULL << 3ULL;
        QTest::newRow("invalid_byte_one_of_each") << QByteArray("\xFF"
                                                                "ab")
                                                  << LengthUnit::Bytes << 1ULL << 1ULL << 1ULL;
    }
    void prefixWithin()
    {
        QFETCH(QByteArray, line);
        QFETCH(LengthUnit, unit);
        QFETCH(quint64, limit);
        QFETCH(quint64, characters);
        QFETCH(quint64, bytes);
        const LinePrefix prefix = velmora::prefixWithin(
            std::string_view(line.constData(), std::size_t(line.size())), unit, limit);
        QCOMPARE(quint64(prefix.characters), characters);
        QCOMPARE(quint64(prefix.bytes), bytes);
    }

    // The lookup's binary search holds only over ranges in order that do not overlap.
    void widthTablesOrdered()
    {
        const auto ordered = [](const auto& ranges) {
            for (auto at = std::begin(ranges); at != std::end(ranges); ++at) {
                if (at->first > at->last)
                    return false;
                if (at != std::begin(ranges) && std::prev(at)->last >= at->first)
                    return false;
            }
            return true;
        };
        QVERIFY(ordered(zeroWidthRanges));
        QVERIFY(ordered(doubleWidthRanges));
        QCOMPARE(columnWidth(zeroWidthRanges[0].first), 0);
        QCOMPARE(columnWidth(std::prev(std::end(doubleWidthRanges))->last), 2);
    }
};

QTEST_APPLESS_MAIN(TestLineLength)
#include "tst_line_length.moc"
