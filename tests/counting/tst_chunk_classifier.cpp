#include "counting/match/pair_scanner.h"
#include "counting/simd/avx2/avx2_classifier.h"
#include "counting/simd/portable/portable_classifier.h"
#include "counting/simd/simd_kernels.h"
#include "counting/simd/sse2/sse2_classifier.h"
#include "counting/text/utf16_length.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <iterator>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::SimdLevel)

namespace {

struct AllMasks
{
    ChunkMasks chunk;
    Utf8Masks utf8;
};

template<typename Classifier>
AllMasks classifyWith(const CandidateBytes& candidates, const char* chunk)
{
    const Classifier classifier(candidates);
    return { classifier.classify(chunk), classifier.classifyUtf8(chunk) };
}

AllMasks classify(SimdLevel level, const CandidateBytes& candidates, const char* chunk)
{
    switch (level) {
    case SimdLevel::Portable:
        break;
#if defined(VELMORA_X86_SIMD)
    case SimdLevel::Sse2:
        return classifyWith<Sse2Classifier>(candidates, chunk);
    case SimdLevel::Avx2:
        return classifyWith<Avx2Classifier>(candidates, chunk);
#else
    case SimdLevel::Sse2:
    case SimdLevel::Avx2:
        break;
#endif
    }
    return classifyWith<PortableClassifier>(candidates, chunk);
}

} // namespace

class TestChunkClassifier : public QObject
{
    Q_OBJECT

private slots:
    void levelChoice_data()
    {
        // A null value stands for an unset variable.
        QTest::addColumn<QByteArray>("requested");
        QTest::addColumn<QList<SimdLevel>>("available");
        QTest::addColumn<SimdLevel>("chosen");
        QTest::addColumn<QString>("warning");
        const QList<SimdLevel> x86 { SimdLevel::Portable, SimdLevel::Sse2, SimdLevel::Avx2 };
        const QList<SimdLevel> noAvx2 { SimdLevel::Portable, SimdLevel::Sse2 };
        const QList<SimdLevel> elsewhere { SimdLevel::Portable };
        const QString unknown = "velmora: VELMORA_SIMD=%1 is not a level this processor runs; "
                                "using %2";
        QTest::newRow("unset") << QByteArray() << x86 << SimdLevel::Avx2 << QString();
        QTest::newRow("empty") << QByteArray("") << x86 << SimdLevel::Avx2 << QString();
        QTest::newRow("portable") << QByteArray("portable") << x86 << SimdLevel::Portable
                                  << QString();
        QTest::newRow("sse2") << QByteArray("sse2") << x86 << SimdLevel::Sse2 << QString();
        QTest::newRow("avx2") << QByteArray("avx2") << x86 << SimdLevel::Avx2 << QString();
        QTest::newRow("unknown") << QByteArray("avx512") << x86 << SimdLevel::Avx2
                                 << unknown.arg("avx512", "avx2");
        QTest::newRow("prefix_of_a_level")
            << QByteArray("sse") << x86 << SimdLevel::Avx2 << unknown.arg("sse", "avx2");
        QTest::newRow("other_case")
            << QByteArray("AVX2") << noAvx2 << SimdLevel::Sse2 << unknown.arg("AVX2", "sse2");
        QTest::newRow("avx2_without_avx2")
            << QByteArray("avx2") << noAvx2 << SimdLevel::Sse2 << unknown.arg("avx2", "sse2");
        QTest::newRow("unset_without_avx2")
            << QByteArray() << noAvx2 << SimdLevel::Sse2 << QString();
        QTest::newRow("sse2_on_other_processors")
            << QByteArray("sse2") << elsewhere << SimdLevel::Portable
            << unknown.arg("sse2", "portable");
        QTest::newRow("portable_on_other_processors")
            << QByteArray("portable") << elsewhere << SimdLevel::Portable << QString();
    }

    void levelChoice()
    {
        QFETCH(QByteArray, requested);
        QFETCH(QList<SimdLevel>, available);
        QFETCH(SimdLevel, chosen);
        QFETCH(QString, warning);
        const SimdChoice choice
            = chooseSimdLevel(requested.isNull() ? nullptr : requested.constData(),
                              std::vector<SimdLevel>(available.begin(), available.end()));
        QCOMPARE(simdLevelName(choice.level), simdLevelName(chosen));
        QCOMPARE(QString::fromStdString(choice.warning), warning);
    }

    void everyLevelHasItsOwnRow()
    {
        // A row filed under the wrong level would compare a level with itself in the tests
        // below, and leave the level that VELMORA_SIMD names unused.
        for (const SimdLevel level : availableSimdLevels())
            QCOMPARE(simdLevelName(simdKernels(level).level), simdLevelName(level));
    }

    void vectorWaysAgreeWithBytewiseWay()
    {
        CandidateBytes candidates;
        candidates.add('q');
        candidates.add('Q');
        candidates.add(0xAA);
        QRandomGenerator random(17);
        char chunk[64];
        for (int round = 0; round < 2000; ++round) {
            // Every byte value, and runs of the ones the counter cares about.
            for (char& byte : chunk) {
                byte = round % 2 ? char(random.bounded(256))
                                 : "\n\r\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xC3\xDF\xE0\xED"
                                   "\xEF\xF0\xF4\xF5\xFFqQ\xAA"[random.bounded(24)];
            }
            const AllMasks bytewise = classify(SimdLevel::Portable, candidates, chunk);
            for (const SimdLevel level : availableSimdLevels()) {
                const AllMasks fast = classify(level, candidates, chunk);
                QCOMPARE(fast.chunk.lineFeeds, bytewise.chunk.lineFeeds);
                QCOMPARE(fast.chunk.carriageReturns, bytewise.chunk.carriageReturns);
                QCOMPARE(fast.chunk.nonAscii, bytewise.chunk.nonAscii);
                QCOMPARE(fast.chunk.candidates, bytewise.chunk.candidates);
                QCOMPARE(fast.utf8.continuations, bytewise.utf8.continuations);
                QCOMPARE(fast.utf8.leads, bytewise.utf8.leads);
                QCOMPARE(fast.utf8.longLeads, bytewise.utf8.longLeads);
                QCOMPARE(fast.utf8.fourByteLeads, bytewise.utf8.fourByteLeads);
                QCOMPARE(fast.utf8.invalidLeads, bytewise.utf8.invalidLeads);
                QCOMPARE(fast.utf8.raisedFloorLeads, bytewise.utf8.raisedFloorLeads);
                QCOMPARE(fast.utf8.loweredCeilingLeads, bytewise.utf8.loweredCeilingLeads);
                QCOMPARE(fast.utf8.withBit20, bytewise.utf8.withBit20);
                QCOMPARE(fast.utf8.withBit10, bytewise.utf8.withBit10);
            }
        }
    }

    void pairScannerVectorWaysAgreeWithPlainWay()
    {
        // Pairs whose sides are any set, one value, or a letter's two cases: the last kind
        // takes the widest way.
        CandidatePair anyPair;
        anyPair.first.add('q');
        anyPair.first.add(0xC3);
        anyPair.second.add('Q');
        CandidatePair casePair;
        casePair.first.add('Q');
        casePair.first.add('q');
        casePair.second.add(0xC3);
        QRandomGenerator random(17);
        for (int round = 0; round < 2000; ++round) {
            CandidatePair pair = round % 4 < 2 ? anyPair : casePair;
            pair.distance = random.bounded(21);
            // Runs of plain text now and then, so that whole blocks hold nothing to find.
            std::string text;
            const int length = int(random.bounded(400));
            for (int i = 0; i < length; ++i) {
                text += round % 3 == 0 && i % 100 < 80 ? 'a' : "\n\r\x80\xC3qQa"[random.bounded(7)];
            }
            text += '\n';
            const char* const end = text.data() + text.size();
            const auto everyPlace = [&](SimdLevel level, bool tracksLines) {
                const PairScanner scanner(pair, level);
                QList<std::pair<qsizetype, std::uint64_t>> places;
                std::uint64_t lineFeeds = 0;
                for (const char* at = text.data(); at < end; ++at) {
                    at = tracksLines ? scanner.find(at, end, lineFeeds) : scanner.findPair(at, end);
                    places.append({ at - text.data(), lineFeeds });
                    lineFeeds += at < end && *at == '\n';
                }
                return places;
            };
            for (const bool tracksLines : { false, true }) {
                const auto plain = everyPlace(SimdLevel::Portable, tracksLines);
                for (const SimdLevel level : availableSimdLevels())
                    QCOMPARE(everyPlace(level, tracksLines), plain);
            }
        }
    }

    void bitCountsAgree()
    {
        QRandomGenerator random(5);
        for (int round = 0; round < 1000; ++round) {
            const std::uint64_t bits = random.generate64() & random.generate64();
            QCOMPARE(PortableClassifier::bitCount(bits),
                     int(QByteArray::number(bits, 2).count('1')));
        }
    }

    void utf16LengthVectorWayAgreesWithPlainWay()
    {
        QRandomGenerator random(23);
        // Valid sequences of every length, pieces of them, and bytes that need a closer look.
        static const char* const pieces[] = { "a",
                                              "\n",
                                              "\xC3\xA9",
                                              "\xE2\x82\xAC",
                                              "\xF0\x9F\x98\x80",
                                              "\xE6\x9D\xB1",
                                              "\xF3\xA0\x80\x81",
                                              "\xE0\xA0\x80",
                                              "\xED\x9F\xBF",
                                              "\xF0\x90\x80\x80",
                                              "\xF4\x8F\xBF\xBF",
                                              "\xC3",
                                              "\xE2\x82",
                                              "\x80",
                                              "\xBF",
                                              "\xC0\x80",
                                              "\xED\xA0\x80",
                                              "\xF4\x90\x80\x80",
                                              "\xE0\x9F\xBF",
                                              "\xF0\x8F\xBF\xBF",
                                              "\xE0",
                                              "\xFF" };
        for (int round = 0; round < 3000; ++round) {
            std::string text;
            const int count = int(random.bounded(60));
            // Mostly valid text, as lines mostly are, so that the vector way counts most rounds.
            const auto kinds = round % 3 == 0 ? std::size(pieces) : 11;
            for (int i = 0; i < count; ++i)
                text += pieces[random.bounded(int(kinds))];
            for (const SimdLevel level : availableSimdLevels())
                QCOMPARE(utf16Length(text, level), utf16Length(text));
        }
    }

    void byteSearchVectorWayAgreesWithPlainWay()
    {
        QRandomGenerator random(31);
        for (int round = 0; round < 3000; ++round) {
            // Few byte values, so that needles are found often and almost found more often;
            // bytes that differ from a letter only in bit 5 must not pass for it.
            static const char alphabet[] = "aAbB@`\x81\xA1";
            QByteArray haystack;
            const int length = int(random.bounded(80));
            for (int i = 0; i < length; ++i)
                haystack += alphabet[random.bounded(8)];
            QByteArray needle;
            const int needleLength = 1 + int(random.bounded(5));
            for (int i = 0; i < needleLength; ++i)
                needle += alphabet[random.bounded(8)];
            const bool ignoreCase = round % 2 == 0;
            if (ignoreCase)
                needle = needle.toLower();
            const std::string_view h(haystack.constData(), std::size_t(haystack.size()));
            const std::string_view n(needle.constData(), std::size_t(needle.size()));
            const bool expected
                = ignoreCase ? haystack.toLower().contains(needle) : haystack.contains(needle);
            for (const SimdLevel level : availableSimdLevels())
                QCOMPARE(simdKernels(level).holdsBytes(h, n, ignoreCase), expected);
        }
    }
};

QTEST_APPLESS_MAIN(TestChunkClassifier)
#include "tst_chunk_classifier.moc"
