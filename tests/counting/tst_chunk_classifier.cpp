#include "counting/chunk_classifier.h"
#include "counting/line_feed_count.h"

#include <QRandomGenerator>
#include <QTest>

using namespace velmora;

class TestChunkClassifier : public QObject
{
    Q_OBJECT

private slots:
    void fastWayAgreesWithBytewiseWay()
    {
        CandidateBytes candidates;
        candidates.add('q');
        candidates.add('Q');
        candidates.add(0xAA);
        const ChunkClassifier classifier(candidates);
        QRandomGenerator random(17);
        char chunk[64];
        for (int round = 0; round < 2000; ++round) {
            // Every byte value, and runs of the ones the counter cares about.
            for (char& byte : chunk) {
                byte = round % 2
                    ? char(random.bounded(256))
                    : "\n\r\x80\xBF\xC0\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xFFqQ\xAA"[random.bounded(
                        18)];
            }
            const ChunkMasks fast = classifier.classify(chunk);
            const ChunkMasks bytewise = classifier.classifyPortably(chunk);
            QCOMPARE(fast.lineFeeds, bytewise.lineFeeds);
            QCOMPARE(fast.carriageReturns, bytewise.carriageReturns);
            QCOMPARE(fast.nonAscii, bytewise.nonAscii);
            QCOMPARE(fast.candidates, bytewise.candidates);
            const Utf8Masks fastUtf8 = ChunkClassifier::classifyUtf8(chunk);
            const Utf8Masks bytewiseUtf8 = ChunkClassifier::classifyUtf8Portably(chunk);
            QCOMPARE(fastUtf8.continuations, bytewiseUtf8.continuations);
            QCOMPARE(fastUtf8.twoByteLeads, bytewiseUtf8.twoByteLeads);
            QCOMPARE(fastUtf8.threeByteLeads, bytewiseUtf8.threeByteLeads);
            QCOMPARE(fastUtf8.fourByteLeads, bytewiseUtf8.fourByteLeads);
            QCOMPARE(fastUtf8.trouble, bytewiseUtf8.trouble);
        }
    }

    // Runs long enough for the per-byte tallies to be summed up on the way, at every start
    // and end within sixteen bytes.
    void lineFeedCountAgreesWithBytewiseCount()
    {
        QRandomGenerator random(23);
        QByteArray text(16 * 600, '\0');
        for (char& byte : text)
            byte = random.bounded(3) == 0 ? '\n' : char(random.bounded(256));
        text.replace(100, 16 * 300, QByteArray(16 * 300, '\n'));
        const char* const data = text.constData();
        for (qsizetype from = 0; from < 17; ++from) {
            for (qsizetype to : { from, from + 15, from + 16, from + 4095, qsizetype(4096 + 16),
                                  text.size() - 17, text.size() - 1, text.size() }) {
                if (to < from)
                    continue;
                QCOMPARE(countLineFeeds(data + from, data + to),
                         countLineFeedsPortably(data + from, data + to));
            }
        }
        QCOMPARE(countLineFeeds(data + 100, data + 100 + 16 * 300), std::uint64_t(16 * 300));
    }
};

QTEST_APPLESS_MAIN(TestChunkClassifier)
#include "tst_chunk_classifier.moc"
