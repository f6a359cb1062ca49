#include "cli/file_row_order.h"

#include <QtTest>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace velmora;

namespace {

RowPiece piece(std::string_view bytes)
{
    return RowPiece(bytes.begin(), bytes.end());
}

using Kind = FileCountOutcome::Kind;

/// What each file hands over: its pieces, then how it ended.
struct PlannedFile
{
    std::vector<std::string> pieces;
    Kind kind = Kind::Counted;
};

std::vector<PlannedFile> plannedFiles(int files, int piecesEach)
{
    std::vector<PlannedFile> planned(static_cast<std::size_t>(files));
    for (int file = 0; file < files; ++file) {
        for (int piece = 0; piece < piecesEach + file % 3; ++piece) {
            planned[std::size_t(file)].pieces.push_back(
                QStringLiteral("f%1p%2;").arg(file).arg(piece).toStdString());
        }
        // Every fourth file fails, the first among them.
        if (file % 4 == 0)
            planned[std::size_t(file)].kind = Kind::ReadFailed;
    }
    return planned;
}

/// A file's pieces and its end as the output's thread should see them.
std::string expectedRun(const std::vector<PlannedFile>& planned)
{
    std::string run;
    for (const PlannedFile& file : planned) {
        for (const std::string& piece : file.pieces)
            run += piece;
        run += file.kind == Kind::Counted ? "counted|" : "failed|";
    }
    return run;
}

} // namespace

class TestFileRowOrder : public QObject
{
    Q_OBJECT

private slots:
    void piecesAndEndsComeInFileOrder_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("piecesEach");
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("bufferCap");
        QTest::newRow("one_thread") << 20 << 2 << 1 << 1024;
        QTest::newRow("threads_in_turn") << 50 << 3 << 4 << 1024;
        // Each later file's thread waits at once: the head's never does.
        QTest::newRow("cap_of_a_byte") << 40 << 5 << 3 << 1;
        QTest::newRow("no_rows_at_all") << 30 << 0 << 3 << 16;
        QTest::newRow("more_threads_than_files") << 3 << 4 << 8 << 64;
    }
    void piecesAndEndsComeInFileOrder()
    {
        QFETCH(int, files);
        QFETCH(int, piecesEach);
        QFETCH(int, threads);
        QFETCH(int, bufferCap);
        const std::vector<PlannedFile> planned = plannedFiles(files, piecesEach);
        FileRowOrder order(planned.size(), std::size_t(bufferCap));
        std::vector<std::thread> counters;
        for (int thread = 0; thread < threads; ++thread) {
            counters.emplace_back([&] {
                while (const std::optional<std::size_t> file = order.takeFile()) {
                    for (const std::string& piece : planned[*file].pieces)
                        order.hand(*file, RowPiece(piece.begin(), piece.end()));
                    order.end(*file, { { planned[*file].kind, {} }, false });
                }
            });
        }
        std::string run;
        for (std::size_t file = 0; file < planned.size(); ++file) {
            const std::optional<FileRowOrder::FileEnd> end = order.takeFileRows(
                file, [&](std::string_view piece) { run += piece; }, [] { return false; });
            QVERIFY(end);
            run += end->outcome.kind == Kind::Counted ? "counted|" : "failed|";
        }
        for (std::thread& counter : counters)
            counter.join();
        QCOMPARE(run, expectedRun(planned));
    }

    /// A failed output abandons the order: a thread that waits for room gives up, and no
    /// file is taken any more.
    void abandonedOrderReleasesWaitingThreads()
    {
        FileRowOrder order(3, 1);
        QCOMPARE(order.takeFile(), std::optional<std::size_t>(0));
        QCOMPARE(order.takeFile(), std::optional<std::size_t>(1));
        QVERIFY(order.hand(1, piece("a later file's first piece")));
        std::atomic<bool> handed { true };
        std::thread waiting([&] { handed = order.hand(1, piece("waits for room")); });
        order.abandon();
        waiting.join();
        QVERIFY(!handed);
        QCOMPARE(order.takeFile(), std::nullopt);
    }

    /// An interrupt ends the wait for a head file whose thread never ends it.
    void stopEndsTheWaitForTheHead()
    {
        FileRowOrder order(2, 1024);
        QCOMPARE(order.takeFile(), std::optional<std::size_t>(0));
        QVERIFY(order.hand(0, piece("rows before the stop;")));
        std::string run;
        int asked = 0;
        const std::optional<FileRowOrder::FileEnd> end = order.takeFileRows(
            0, [&](std::string_view piece) { run += piece; }, [&] { return ++asked == 3; });
        QVERIFY(!end);
        QCOMPARE(run, std::string("rows before the stop;"));
    }
};

QTEST_GUILESS_MAIN(TestFileRowOrder)
#include "tst_file_row_order.moc"
