#include "counting/rows/length_tally.h"
#include "counting/rows/result_store.h"

#include <QTest>

#include <string>

using namespace velmora;

namespace {

using Counts = std::vector<std::uint64_t>;

/// The counts as rows of a store, each with a short line of its own: the count is what the
/// row says it is, whatever the line's length.
ResultStore storeOfCounts(const Counts& counts)
{
    ResultStore store;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const std::string line = "line " + std::to_string(i);
        store.addRow(line, CharacterCount(counts[i]), LineNumber(i + 1));
    }
    return store;
}

LengthTally tallyOfStore(const Counts& counts)
{
    const std::atomic<bool> noStop { false };
    std::optional<LengthTally> tally = LengthTally::of(storeOfCounts(counts), noStop);
    if (!tally)
        qFatal("a tally without a stop ended early");
    return *tally;
}

Counts oneTo(std::uint64_t last)
{
    Counts counts;
    // Longest first, so that a tally that took the rows' order for their rank is caught.
    for (std::uint64_t count = last; count >= 1; --count)
        counts.push_back(count);
    return counts;
}

QString bucketsText(const std::vector<LengthBucket>& buckets)
{
    QStringList parts;
    for (const LengthBucket& bucket : buckets)
        parts << QStringLiteral("%1-%2:%3").arg(bucket.low).arg(bucket.high).arg(bucket.rows);
    return parts.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(Counts)

class TestLengthTally : public QObject
{
    Q_OBJECT

private slots:
    void percentilesByNearestRank_data()
    {
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<quint64>("median");
        QTest::addColumn<quint64>("p90");
        QTest::addColumn<quint64>("p99");
        QTest::addColumn<quint64>("longest");
        QTest::newRow("one_row") << Counts { 7 } << 7ull << 7ull << 7ull << 7ull;
        QTest::newRow("all_equal") << Counts(5, 4) << 4ull << 4ull << 4ull << 4ull;
        // Ten rows: ranks 5, 9 and 10; an even count takes the lower middle, no average.
        QTest::newRow("one_to_ten") << oneTo(10) << 5ull << 9ull << 10ull << 10ull;
        QTest::newRow("one_to_hundred") << oneTo(100) << 50ull << 90ull << 99ull << 100ull;
        // Ranks 50.5, 90.9 and 99.99 round up: a rank rounded down gives 50, 90 and 99.
        QTest::newRow("one_to_101") << oneTo(101) << 51ull << 91ull << 100ull << 101ull;
        QTest::newRow("one_outlier") << [] {
            Counts counts(99, 1);
            counts.push_back(1000);
            return counts;
        }() << 1ull << 1ull << 1ull << 1000ull;
        // Counts past the table of short ones, and past what a record holds in place.
        QTest::newRow("wide_counts") << Counts { 20000000, 70000, 3, 70000 } << 70000ull
                                     << 20000000ull << 20000000ull << 20000000ull;
    }
    void percentilesByNearestRank()
    {
        QFETCH(Counts, counts);
        QFETCH(quint64, median);
        QFETCH(quint64, p90);
        QFETCH(quint64, p99);
        QFETCH(quint64, longest);
        for (const LengthTally& tally : { tallyOfStore(counts), LengthTally::ofCounts(counts) }) {
            QCOMPARE(tally.rowCount(), counts.size());
            QCOMPARE(tally.percentile(50), median);
            QCOMPARE(tally.percentile(90), p90);
            QCOMPARE(tally.percentile(99), p99);
            QCOMPARE(tally.percentile(100), longest);
            QCOMPARE(tally.longest(), longest);
        }
    }

    void rowsLongerThan_data()
    {
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<quint64>("threshold");
        QTest::addColumn<quint64>("longer");
        const Counts some { 3, 1, 4, 3, 2 };
        QTest::newRow("zero_takes_every_row") << some << 0ull << 5ull;
        QTest::newRow("below_the_shortest") << Counts { 3, 4 } << 2ull << 2ull;
        QTest::newRow("equal_rows_are_not_longer") << some << 3ull << 1ull;
        QTest::newRow("between_counts") << some << 2ull << 3ull;
        QTest::newRow("the_longest") << some << 4ull << 0ull;
        QTest::newRow("past_the_longest") << some << 1000000ull << 0ull;
        QTest::newRow("wide_equal") << Counts { 70000, 20000000 } << 70000ull << 1ull;
        QTest::newRow("wide_below") << Counts { 70000, 20000000 } << 69999ull << 2ull;
        QTest::newRow("no_rows") << Counts {} << 0ull << 0ull;
    }
    void rowsLongerThan()
    {
        QFETCH(Counts, counts);
        QFETCH(quint64, threshold);
        QFETCH(quint64, longer);
        QCOMPARE(tallyOfStore(counts).rowsLongerThan(threshold), longer);
    }

    void bucketsOnTheOneTwoFiveScale_data()
    {
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<QString>("buckets");
        QTest::newRow("no_rows") << Counts {} << QString();
        QTest::newRow("first_buckets") << Counts { 1, 4, 5 } << "1-1:1 2-2:0 3-5:2";
        QTest::newRow("starts_at_the_first_with_rows") << Counts { 7, 12 } << "6-10:1 11-20:1";
        QTest::newRow("bucket_ends_included")
            << Counts { 50, 51, 100, 101 } << "21-50:1 51-100:2 101-200:1";
        QTest::newRow("millions") << Counts { 1000001, 999999 }
                                  << "500001-1000000:1 1000001-2000000:1";
        QTest::newRow("empty_line_count") << Counts { 0, 1 } << "0-0:1 1-1:1";
        QTest::newRow("largest_count")
            << Counts { UINT64_MAX } << "5000000000000000001-18446744073709551615:1";
    }
    void bucketsOnTheOneTwoFiveScale()
    {
        QFETCH(Counts, counts);
        QFETCH(QString, buckets);
        QCOMPARE(bucketsText(LengthTally::ofCounts(counts).buckets()), buckets);
    }

    void stopEndsTheTally()
    {
        const std::atomic<bool> stop { true };
        QVERIFY(!LengthTally::of(storeOfCounts({ 1, 2, 3 }), stop));
    }
};

QTEST_GUILESS_MAIN(TestLengthTally)
#include "tst_length_tally.moc"
