#include "counting/chunk_classifier.h"

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
};

QTEST_APPLESS_MAIN(TestChunkClassifier)
#include "tst_chunk_classifier.moc"
