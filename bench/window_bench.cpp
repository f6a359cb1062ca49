// The window's own figures on a generated input: from the click on "Start Counting" to
// "Done." with the rows painted, peak memory against the input's size, the time to repaint
// the results list at spots all over it (scrolling), both sorts, and the save against `cat`
// writing a file of the same size to the same disk. Real widgets on the offscreen platform;
// the dialogs are answered by the test suite's scripted platform.
//
// Then "Add All Text File(s) In Folder" on a tree of 100,000 files in 10,000 folders beside the
// input, and repainting the file list at that size.
//
// Usage: velmora-bench-window INPUT [ROUNDS] [--larger-than-memory]
// The last option, for inputs too large to save a second copy of beside them, does one round
// of the count, the repaints and the sorts, and saves the sorted rows to /dev/null.

#include "anonymous_memory.h"
#include "counting/rows/length_tally.h"
#include "fakes/fake_platform.h"
#include "folder_tree_maker.h"
#include "platform/qt/qt_desktop.h"
#include "shell/list_view.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace velmora;
using namespace velmora::testing;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double peakMemoryMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// `cat FROM > TO`; GNU cat then hands the whole copy to the kernel (copy_file_range), so the
// bytes never pass through a program. Through a pipe they do, as a save's bytes must.
std::vector<double> repaintTimesAfterJumps(ListView& list)
{
    std::vector<double> times;
    std::mt19937 spots(7);
    QScrollBar* scroll = list.verticalScrollBar();
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        scroll->setValue(int(spots() % std::uint32_t(std::max(1, scroll->maximum()))));
        list.viewport()->repaint();
        times.push_back(seconds(timer) * 1000.0);
    }
    return times;
}

double repaintTimeAtTheEnd(ListView& list)
{
    QElapsedTimer timer;
    timer.start();
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    list.viewport()->repaint();
    return seconds(timer) * 1000.0;
}

/// `heldMiB`: what the process held before the save, which the save's own memory comes on top of.
void printSavePeak(double peakMiB, double heldMiB, double inputMiB)
{
    std::printf("anonymous memory, save     peak %.0f MiB = %.2f x input   (target at most 0.35 x),"
                " %.1f MiB over what was held before\n",
                peakMiB, peakMiB / inputMiB, peakMiB - heldMiB);
    std::fflush(stdout);
}

enum class CatKind { Plain, ThroughPipe, ThenSync };

double timeCat(const QString& from, const QString& to, CatKind kind)
{
    // The save puts its file on the disk before it replaces the target; `sync FILE` does as
    // much for cat's copy.
    const QString command = kind == CatKind::ThroughPipe
        ? QStringLiteral("cat \"$0\" | cat > \"$1\"")
        : kind == CatKind::ThenSync ? QStringLiteral("cat \"$0\" > \"$1\" && sync \"$1\"")
                                    : QStringLiteral("cat \"$0\" > \"$1\"");
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("sh"), { QStringLiteral("-c"), command, from, to });
    return seconds(timer);
}

} // namespace

int main(int argc, char* argv[])
{
    const bool largerThanMemory
        = argc > 2 && std::strcmp(argv[argc - 1], "--larger-than-memory") == 0;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s INPUT [ROUNDS] [--larger-than-memory]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString input = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int rounds = largerThanMemory ? 1 : argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const double inputMiB = double(QFileInfo(input).size()) / (1024.0 * 1024.0);
    AnonymousMemoryPeak anonymous;

    FakePlatform fake;
    QtEventPump events;
    Platform platform { fake.messages,  fake.input,    fake.fileDialogs, fake.folderPicker,
                        fake.shell,     fake.settings, fake.pointer,     fake.screen,
                        fake.random,    events,        fake.progress,    fake.outputFiles,
                        fake.programEnd };
    Form1 form(platform, ProgramFiles({ QCoreApplication::applicationDirPath() }));
    form.Form_Load();
    form.show();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    double untilDone = 0;
    fake.messages.whileShown = [&](const ShownMessage& box) {
        if (box.text != QLatin1String("Done."))
            return;
        // "Done." comes up over the rows: they count once they are painted.
        form.ListView2->viewport()->repaint();
        untilDone = seconds(clock);
    };

    std::vector<double> counts;
    for (int round = 0; round < rounds; ++round) {
        form.PushButton8->click();
        form.fileList().appendEntry(input);
        clock.start();
        form.PushButton2->click();
        counts.push_back(untilDone);
    }
    const int rows = form.results().rowCount();
    const double peak = peakMemoryMiB();
    const double countAnonymous = anonymous.peakMiB();
    const double heldAnonymous = anonymousMemoryMiB();
    std::printf("input                      %.0f MiB, %d result rows\n", inputMiB, rows);
    // The first count also makes the list's header for every row, which later ones reuse.
    std::printf("click to Done. (painted)   median %.3f s, the first %.3f s   (target < 0.5 s)\n",
                median(counts), counts.front());
    std::printf("peak memory                %.0f MiB = %.2f x input   (target < 2 x)\n", peak,
                peak / inputMiB);
    std::printf("anonymous memory, count    peak %.0f MiB = %.2f x input, held %.0f MiB = %.2f x"
                "   (target at most 0.35 x)\n",
                countAnonymous, countAnonymous / inputMiB, heldAnonymous, heldAnonymous / inputMiB);
    std::fflush(stdout);

    // Scrolling: the list repainted at spots spread over all its rows, and at its very end.
    const std::vector<double> repaints = repaintTimesAfterJumps(*form.ListView2);
    const double repaintAtTheEnd = repaintTimeAtTheEnd(*form.ListView2);
    std::printf("repaint after a jump       median %.1f ms, worst %.1f ms\n", median(repaints),
                *std::max_element(repaints.begin(), repaints.end()));
    std::printf("repaint at the last row    %.1f ms\n", repaintAtTheEnd);

    std::vector<double> descending;
    std::vector<double> ascending;
    for (int round = 0; round < rounds; ++round) {
        for (auto [button, times] : { std::pair { form.PushButton6, &descending },
                                      std::pair { form.PushButton7, &ascending } }) {
            QElapsedTimer timer;
            timer.start();
            button->click();
            times->push_back(seconds(timer));
        }
    }
    std::printf("sort highest first         median %.3f s   (target < 0.5 s)\n",
                median(descending));
    std::printf("sort lowest first          median %.3f s   (target < 0.5 s)\n", median(ascending));
    std::printf("repaint at the last row    %.1f ms after the sorts\n",
                repaintTimeAtTheEnd(*form.ListView2));
    const double sortAnonymous = anonymous.peakMiB();
    std::printf(
        "anonymous memory, sorted   peak %.0f MiB = %.2f x input   (target at most 0.35 x)\n",
        sortAnonymous, sortAnonymous / inputMiB);

    // The Length Chart's tally of every count, as its background build makes it.
    std::vector<double> tallies;
    const std::atomic<bool> noStop { false };
    for (int round = 0; round < std::max(rounds, 5); ++round) {
        QElapsedTimer timer;
        timer.start();
        const std::optional<LengthTally> tally
            = LengthTally::of(form.results().rows().store(), noStop);
        tallies.push_back(seconds(timer));
        if (round == 0 && tally && tally->rowCount() > 0) {
            std::printf("length chart of %llu rows  median %llu, 99th %llu, longest %llu\n",
                        static_cast<unsigned long long>(tally->rowCount()),
                        static_cast<unsigned long long>(tally->percentile(50)),
                        static_cast<unsigned long long>(tally->percentile(99)),
                        static_cast<unsigned long long>(tally->longest()));
        }
    }
    std::printf("length chart tally         median %.3f s   (target < 0.5 s for 9 M rows)\n",
                median(tallies));
    std::fflush(stdout);

    const double heldBeforeSave = anonymousMemoryMiB();
    anonymous.restart();
    if (largerThanMemory) {
        // /dev/null exists, so the save asks first whether to overwrite it.
        fake.messages.answers = { MessageAnswer::Yes };
        fake.fileDialogs.saveResults = { QStringLiteral("/dev/null") };
        QElapsedTimer timer;
        timer.start();
        form.PushButton4->click();
        std::printf("save sorted to /dev/null   %.3f s\n", seconds(timer));
        printSavePeak(anonymous.peakMiB(), heldBeforeSave, inputMiB);
        return 0;
    }

    const QString saved = input + QStringLiteral(".saved");
    const QString copied = input + QStringLiteral(".copied");
    std::vector<double> saves;
    std::vector<double> cats;
    std::vector<double> pipedCats;
    std::vector<double> syncedCats;
    for (int round = 0; round < rounds; ++round) {
        QFile::remove(saved);
        QFile::remove(copied);
        // Both writes start with no dirty pages of an earlier round still going to disk.
        ::sync();
        fake.fileDialogs.saveResults = { saved };
        QElapsedTimer timer;
        timer.start();
        form.PushButton4->click();
        saves.push_back(seconds(timer));
        ::sync();
        cats.push_back(timeCat(saved, copied, CatKind::Plain));
        QFile::remove(copied);
        ::sync();
        pipedCats.push_back(timeCat(saved, copied, CatKind::ThroughPipe));
        QFile::remove(copied);
        ::sync();
        syncedCats.push_back(timeCat(saved, copied, CatKind::ThenSync));
    }
    printSavePeak(anonymous.peakMiB(), heldBeforeSave, inputMiB);
    const double savedMiB = double(QFileInfo(saved).size()) / (1024.0 * 1024.0);
    QFile::remove(saved);
    QFile::remove(copied);

    QTemporaryDir tree(QFileInfo(input).absolutePath() + QStringLiteral("/tree-XXXXXX"));
    const TreeShape shape { 100, 99, 10 };
    std::vector<double> folderAdds;
    std::vector<double> fileListRepaints;
    if (tree.isValid() && buildTree(tree.path(), shape)) {
        for (int round = 0; round < rounds; ++round) {
            form.PushButton8->click();
            fake.input.answers = { QStringLiteral("*") };
            fake.folderPicker.results = { tree.path() };
            QElapsedTimer timer;
            timer.start();
            form.PushButton3->click();
            folderAdds.push_back(seconds(timer));
        }
        fileListRepaints = repaintTimesAfterJumps(*form.ListView1);
    }
    const int entries = form.fileList().entryCount();

    std::printf("save %.0f MiB               median %.3f s\n", savedMiB, median(saves));
    std::printf("cat of the same file       median %.3f s\n", median(cats));
    std::printf("cat | cat of the same file median %.3f s\n", median(pipedCats));
    std::printf("save / cat                 %.2f   (target <= 1.3)\n",
                median(saves) / median(cats));
    std::printf("save / cat | cat           %.2f\n", median(saves) / median(pipedCats));
    std::printf("cat && sync FILE           median %.3f s\n", median(syncedCats));
    std::printf("save / (cat && sync FILE)  %.2f\n", median(saves) / median(syncedCats));
    if (!folderAdds.empty()) {
        std::printf("folder add, %d files       median %.3f s   (target < 3 s)\n", entries,
                    median(folderAdds));
        std::printf("file list repaint at that  median %.1f ms, worst %.1f ms\n",
                    median(fileListRepaints),
                    *std::max_element(fileListRepaints.begin(), fileListRepaints.end()));
    }
    return 0;
}
