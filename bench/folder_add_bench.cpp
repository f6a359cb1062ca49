// Times "Add All Text File(s) In Folder" on a generated tree with the real, throttled event
// pump, and `find` on the same tree for reference. See README.md beside this file.

#include "fakes/fake_platform.h"
#include "filelist/add_all_files_in_folder.h"
#include "filelist/file_list_model.h"
#include "folder_tree_maker.h"
#include "platform/qt/qt_desktop.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The real pump, noting the longest stretch the walk went without offering the window a turn.
class GapMeasuringPump final : public EventPump
{
public:
    GapMeasuringPump() { m_sinceOffer.start(); }
    void processWaitingEvents() override
    {
        m_longestGap = qMax(m_longestGap, m_sinceOffer.nsecsElapsed());
        m_real.processWaitingEvents();
        m_sinceOffer.restart();
    }
    double longestGapMs() const { return m_longestGap / 1e6; }

private:
    QtEventPump m_real;
    QElapsedTimer m_sinceOffer;
    qint64 m_longestGap = 0;
};

struct Timing
{
    double seconds;
    double longestGapMs;
    qsizetype added;
};

// One folder add into a fresh list, shown in a tree view when there is a window system.
Timing timeFolderAdd(const QString& root, bool withView)
{
    FakePlatform fake;
    GapMeasuringPump events;
    const Platform platform { fake.messages,  fake.input,    fake.fileDialogs, fake.folderPicker,
                              fake.shell,     fake.settings, fake.pointer,     fake.screen,
                              fake.random,    events,        fake.progress,    fake.outputFiles,
                              fake.programEnd };
    fake.input.answers = { u"txt"_s };
    fake.folderPicker.results = { root };
    FileListModel list;
    list.addColumnHeader(u"Text File(s)"_s);
    std::unique_ptr<QTreeView> view;
    if (withView) {
        view = std::make_unique<QTreeView>();
        view->setUniformRowHeights(true);
        view->setRootIsDecorated(false);
        view->setModel(&list);
        view->resize(600, 400);
        view->show();
        QCoreApplication::processEvents();
    }
    FolderWalkGuard guard;
    QElapsedTimer timer;
    timer.start();
    addAllFilesInFolder(list, guard, platform);
    return { timer.nsecsElapsed() / 1e9, events.longestGapMs(), list.entryCount() };
}

double timeFind(const QString& root)
{
    QProcess find;
    QElapsedTimer timer;
    timer.start();
    find.start(u"find"_s, { root, u"-type"_s, u"f"_s, u"-name"_s, u"*.txt"_s });
    find.waitForFinished(-1);
    find.readAllStandardOutput();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    // The view variant needs a window system; the offscreen one paints all the same.
    const bool withView = std::any_of(argv + 1, argv + argc, [](const char* argument) {
        return qstrcmp(argument, "--view") == 0;
    });
    if (withView && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = withView
        ? std::make_unique<QApplication>(argc, argv)
        : std::make_unique<QCoreApplication>(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ u"view"_s, u"Show the list in a tree view while it fills."_s });
    parser.addOption({ u"runs"_s, u"Timed runs (default 5)."_s, u"n"_s, u"5"_s });
    parser.addOption({ u"top"_s, u"Folders under the root (default 100)."_s, u"n"_s, u"100"_s });
    parser.addOption({ u"sub"_s, u"Sub-folders in each (default 99)."_s, u"n"_s, u"99"_s });
    parser.addOption({ u"files"_s, u"Files in every folder (default 10)."_s, u"n"_s, u"10"_s });
    parser.addOption({ u"dir"_s, u"Where to build the tree (default the temporary folder)."_s,
                       u"path"_s, QDir::tempPath() });
    parser.process(*app);
    const int runs = qMax(1, parser.value(u"runs"_s).toInt());
    const TreeShape shape { parser.value(u"top"_s).toInt(), parser.value(u"sub"_s).toInt(),
                            parser.value(u"files"_s).toInt() };

    QTemporaryDir root(parser.value(u"dir"_s) + u"/velmora-bench-XXXXXX"_s);
    std::printf("building %d files in %d folders under %s\n", shape.files(), shape.folders(),
                qPrintable(root.path()));
    if (!root.isValid() || !buildTree(root.path(), shape)) {
        std::fprintf(stderr, "cannot build the tree\n");
        return 1;
    }

    timeFolderAdd(root.path(), withView); // warms the file system's caches
    QList<double> engine;
    QList<double> reference;
    qsizetype added = 0;
    double longestGapMs = 0;
    for (int run = 0; run < runs; ++run) {
        const Timing timing = timeFolderAdd(root.path(), withView);
        engine << timing.seconds;
        added = timing.added;
        longestGapMs = qMax(longestGapMs, timing.longestGapMs);
        reference << timeFind(root.path());
        std::printf("run %d: folder add %.3f s (%lld entries, at most %.1f ms between yields), "
                    "find %.3f s\n",
                    run + 1, engine.last(), static_cast<long long>(added), timing.longestGapMs,
                    reference.last());
    }
    if (added != shape.files()) {
        std::fprintf(stderr, "expected %d entries, got %lld\n", shape.files(),
                     static_cast<long long>(added));
        return 1;
    }
    std::printf("median of %d: folder add %.3f s%s, find %.3f s, ratio %.1fx; "
                "at most %.1f ms between yields\n",
                runs, median(engine), withView ? " (with a tree view)" : "", median(reference),
                median(engine) / median(reference), longestGapMs);
    return 0;
}
