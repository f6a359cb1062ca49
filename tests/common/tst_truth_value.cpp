#include "common/truth_value.h"

#include <QTest>

using namespace velmora;

Q_DECLARE_METATYPE(std::optional<bool>)

class TestTruthValue : public QObject
{
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<bool>>("expected");
        QTest::newRow("True") << "True" << std::optional(true);
        QTest::newRow("False") << "False" << std::optional(false);
        QTest::newRow("small_letters") << "true" << std::optional(true);
        QTest::newRow("capitals") << "FALSE" << std::optional(false);
        QTest::newRow("mixed_case") << "tRuE" << std::optional(true);
        QTest::newRow("zero") << "0" << std::optional(false);
        QTest::newRow("one") << "1" << std::optional(true);
        QTest::newRow("minus_one") << "-1" << std::optional(true);
        QTest::newRow("other_number") << "42" << std::optional(true);
        QTest::newRow("zero_point_zero") << "0.0" << std::optional(false);
        QTest::newRow("surrounding_blanks") << " True " << std::optional(true);
        QTest::newRow("empty") << "" << std::optional<bool>();
        QTest::newRow("word") << "yes" << std::optional<bool>();
        QTest::newRow("number_then_word") << "1x" << std::optional<bool>();
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<bool>, expected);
        QCOMPARE(parseTruthText(text), expected);
    }

    void writesTheTwoWords()
    {
        QCOMPARE(truthText(true), QStringLiteral("True"));
        QCOMPARE(truthText(false), QStringLiteral("False"));
        QCOMPARE(parseTruthText(truthText(true)), std::optional(true));
        QCOMPARE(parseTruthText(truthText(false)), std::optional(false));
    }
};

QTEST_APPLESS_MAIN(TestTruthValue)
#include "tst_truth_value.moc"
