#include "common/path_bytes.h"
#include "fakes/fake_platform.h"
#include "filelist/add_all_files_in_folder.h"
#include "filelist/dropped_paths.h"
#include "filelist/file_list_model.h"
#include "folder_tree_builder.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;
using Pointers = QList<velmora::MousePointer>;

namespace {

struct FolderAdd
{
    FakePlatform fake;
    FileListModel list;
    QAbstractItemModelTester tester { &list };
    FolderWalkGuard guard;

    FolderOperationResult run(const QString& extension, const QString& folder)
    {
        fake.input.answers = { extension };
        fake.folderPicker.results = { folder };
        return addAllFilesInFolder(list, guard, fake.platform);
    }
};

} // namespace

class TestAddAllFilesInFolder : public QObject
{
    Q_OBJECT

private slots:
    void addsMatchingFiles_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("txt_of_folder_and_sub_folder")
            << u"txt"_s << QStringList { u"a.txt"_s, u"b.doc"_s, u"s/c.txt"_s }
            << QStringList { u"a.txt"_s, u"s/c.txt"_s };
        QTest::newRow("star_takes_names_without_dot")
            << u"*"_s << QStringList { u"Makefile"_s, u"a.txt"_s, u"s/README"_s }
            << QStringList { u"a.txt"_s, u"Makefile"_s, u"s/README"_s };
        QTest::newRow("tilde_names_left_out")
            << u"txt"_s << QStringList { u"~tmp.txt"_s, u"a.txt"_s, u"s/~b.txt"_s }
            << QStringList { u"a.txt"_s };
        QTest::newRow("hidden_files_of_visible_folders")
            << u"*"_s << QStringList { u".hidden"_s, u"v/.also"_s }
            << QStringList { u".hidden"_s, u"v/.also"_s };
        QTest::newRow("hidden_folders_left_out")
            << u"txt"_s << QStringList { u".h/a.txt"_s, u".h/in/b.txt"_s, u"v/.w/d.txt"_s }
            << QStringList {};
        QTest::newRow("link_cycle_ends")
            << u"txt"_s << QStringList { u"a.txt"_s, u"s/b.txt"_s, u"s/up -> .."_s, u"s/me -> ."_s }
            << QStringList { u"a.txt"_s, u"s/b.txt"_s };
        QTest::newRow("level_by_level_sorted_by_name")
            << u"txt"_s << QStringList { u"b/d/f.txt"_s, u"a/e.txt"_s, u"B.txt"_s,
                                         u"a.txt"_s,     u"c/g.txt"_s, u"a/z/h.txt"_s }
            << QStringList { u"a.txt"_s,   u"B.txt"_s,     u"a/e.txt"_s,
                             u"c/g.txt"_s, u"a/z/h.txt"_s, u"b/d/f.txt"_s };
        QTest::newRow("names_that_are_not_utf8_added")
            << u"txt"_s << QStringList { u"caf\xDCE9.txt"_s, u"\xDCE9t\xDCE9/d.txt"_s }
            << QStringList { u"caf\xDCE9.txt"_s, u"\xDCE9t\xDCE9/d.txt"_s };
        QTest::newRow("broken_links_left_out")
            << u"*"_s << QStringList { u"a.txt"_s, u"gone.txt -> none"_s, u"dead -> nowhere"_s }
            << QStringList { u"a.txt"_s };
        // Its path is longer than the system lets one call take.
        const QString deep = u"d/"_s.repeated(3000) + u"f.txt"_s;
        QTest::newRow("file_beyond_the_path_limit")
            << u"txt"_s << QStringList { deep, u"a.txt"_s } << QStringList { u"a.txt"_s, deep };
    }
    void addsMatchingFiles()
    {
        QFETCH(QString, extension);
        QFETCH(QStringList, tree);
        QFETCH(QStringList, expected);
        ScratchFolder root;
        QVERIFY(buildFolderTree(root.path(), tree));
        FolderAdd add;
        QCOMPARE(add.run(extension, root.path()), FolderOperationResult::Finished);
        QCOMPARE(add.list.entries(), underFolder(root.path(), expected));
        QCOMPARE(add.fake.pointer.history,
                 (Pointers { MousePointer::Busy, MousePointer::Default }));
    }

    // velmora-count walks a folder as the window does: the same files in the same order.
    void commandLineWalksTheSame_data() { addsMatchingFiles_data(); }
    void commandLineWalksTheSame()
    {
        QFETCH(QString, extension);
        QFETCH(QStringList, tree);
        ScratchFolder root;
        QVERIFY(buildFolderTree(root.path(), tree));
        FolderAdd add;
        add.run(extension, root.path());

        QProcess count;
        count.start(QStringLiteral(VELMORA_COUNT),
                    { u"-r"_s, u"--ext"_s, extension, u"--summary"_s, u"--lf"_s, root.path() });
        QVERIFY(count.waitForFinished());
        QCOMPARE(count.exitCode(), 0);
        // Lines ROWS<TAB>LONGEST<TAB>PATH, and a total after two or more.
        QStringList counted;
        for (const QByteArray& line : count.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                counted << pathFromBytes(line.split('\t').value(2));
        }
        if (counted.size() > 1)
            QCOMPARE(counted.takeLast(), u"total"_s);
        QCOMPARE(counted, add.list.entries());
    }

    void cancelAddsNothing_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QStringList>("pickerPrompts");
        QTest::newRow("extension_cancelled") << u""_s << QStringList {};
        QTest::newRow("folder_cancelled") << u"txt"_s << QStringList { u"Please select folder:"_s };
    }
    void cancelAddsNothing()
    {
        QFETCH(QString, extension);
        QFETCH(QStringList, pickerPrompts);
        FolderAdd add;
        add.run(extension, QString());
        QCOMPARE(add.fake.input.asked.size(), 1);
        QCOMPARE(add.fake.input.asked[0].prompt,
                 u"Enter file extension to load:\r\r(* for all files, txt for all txt files, doc "
                 u"for all doc files, etc.)"_s);
        QCOMPARE(add.fake.input.asked[0].caption, u"Velmora"_s);
        QCOMPARE(add.fake.input.asked[0].defaultAnswer, u"txt"_s);
        QCOMPARE(add.fake.folderPicker.prompts, pickerPrompts);
        QVERIFY(add.fake.pointer.history.isEmpty());
        QCOMPARE(add.list.entryCount(), 0);
    }

    // A root comes from the picker with its separator, as this folder does here.
    void folderEndingInSeparatorAddedTwice()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"s/c.txt"_s }));
        FolderAdd add;
        add.run(u"txt"_s, root.path() + QDir::separator());
        add.run(u"txt"_s, root.path() + QDir::separator());
        const QStringList once = underFolder(root.path(), { u"a.txt"_s, u"s/c.txt"_s });
        QCOMPARE(add.list.entries(), once + once);
    }

    // At every yield in turn the user acts; the entries found before it must be in the list
    // by then (which the stop shows: nothing comes after it), and the later ones must follow
    // the list as the user left it.
    void listChangedAtAYield_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("clear_list") << u"clear"_s;
        QTest::newRow("remove_first_entry") << u"remove"_s;
        QTest::newRow("window_ends_the_walk") << u"stop"_s;
    }
    void listChangedAtAYield()
    {
        QFETCH(QString, action);
        QTemporaryDir root;
        for (int i = 10; i < 50; ++i) {
            const QString folder = u"d"_s + QString::number(i);
            QVERIFY(buildFolderTree(root.path(), { folder + u"/f.txt"_s, folder + u"/n/g.txt"_s }));
        }
        FolderAdd whole;
        whole.run(u"txt"_s, root.path());
        const QStringList all = whole.list.entries();
        bool someInTheMiddle = false;
        for (int yield = 1; yield <= whole.fake.events.calls; ++yield) {
            FolderAdd add;
            qsizetype before = -1;
            add.fake.events.atYield = [&](int call) {
                if (call != yield)
                    return;
                before = add.list.entryCount();
                if (action == u"clear")
                    add.list.clear();
                else if (action == u"remove")
                    add.list.removeEntry(1);
                else
                    add.guard.requestStop();
            };
            add.run(u"txt"_s, root.path());
            const QStringList expected = action == u"clear" ? all.mid(before)
                : action == u"stop"                         ? all.first(before)
                : before > 0                                ? all.mid(1)
                                                            : all;
            QCOMPARE(add.list.entries(), expected);
            QCOMPARE(add.fake.pointer.current, MousePointer::Default);
            someInTheMiddle |= before > 0 && before < all.size();
        }
        QVERIFY(someInTheMiddle);
    }

    void secondFolderOperationRefusedWhileWalking()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"s/c.txt"_s }));
        FolderAdd add;
        QList<FolderOperationResult> nested;
        add.fake.events.atYield = [&](int call) {
            if (call == 1) {
                nested << addAllFilesInFolder(add.list, add.guard, add.fake.platform)
                       << addDroppedPaths({ root.path() }, add.list, add.guard, add.fake.events);
            }
        };
        add.run(u"txt"_s, root.path());
        QCOMPARE(nested,
                 QList<FolderOperationResult>(2, FolderOperationResult::RefusedWhileWalking));
        QCOMPARE(add.fake.input.asked.size(), 1);
        QCOMPARE(add.list.entryCount(), 2);
        QCOMPARE(add.run(u"txt"_s, root.path()), FolderOperationResult::Finished);
        QCOMPARE(add.list.entryCount(), 4);
    }

    void unreadableFolderSkipped()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"locked/x.txt"_s, u"open/y.txt"_s }));
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        // Root reads every folder, so the walk runs as nobody, whom the tree must let in.
        QVERIFY(QFile::setPermissions(root.path(), ownerOnly | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(root.filePath(u"locked"_s), {}));
        const bool asRoot = geteuid() == 0;
        if (asRoot && (setegid(65534) != 0 || seteuid(65534) != 0)) {
            QVERIFY(setegid(0) == 0);
            QSKIP("cannot act as an ordinary user");
        }
        FolderAdd add;
        add.run(u"txt"_s, root.path());
        QVERIFY(!asRoot || (seteuid(0) == 0 && setegid(0) == 0));
        QVERIFY(QFile::setPermissions(root.filePath(u"locked"_s), ownerOnly));
        QCOMPARE(add.list.entries(), underFolder(root.path(), { u"a.txt"_s, u"open/y.txt"_s }));
    }

    // The same skip by another route, which root cannot read past.
    void folderRemovedMidWalkSkipped()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(),
                                { u"a.txt"_s, u"s/b.txt"_s, u"s/deep/c.txt"_s, u"t/d.txt"_s }));
        FolderAdd add;
        // From the second yield on, "s" has been found but not yet listed.
        add.fake.events.atYield = [&](int call) {
            if (call >= 2)
                QDir(root.filePath(u"s"_s)).removeRecursively();
        };
        add.run(u"txt"_s, root.path());
        QCOMPARE(add.list.entries(), underFolder(root.path(), { u"a.txt"_s, u"t/d.txt"_s }));
    }
};

QTEST_GUILESS_MAIN(TestAddAllFilesInFolder)
#include "tst_add_all_files_in_folder.moc"
