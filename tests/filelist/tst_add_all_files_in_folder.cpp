#include "fakes/fake_platform.h"
#include "filelist/add_all_files_in_folder.h"
#include "filelist/dropped_paths.h"
#include "filelist/file_list_model.h"
#include "folder_tree_builder.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

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

// Root reads every folder, so the test takes on an ordinary user's effective identity for
// as long as it needs folders to be unreadable.
class AsOrdinaryUser
{
public:
    AsOrdinaryUser()
    {
        if (geteuid() != 0)
            return;
        const uid_t nobody = 65534;
        m_switched = setegid(nobody) == 0 && seteuid(nobody) == 0;
        m_failed = !m_switched;
    }
    ~AsOrdinaryUser()
    {
        if (m_switched || m_failed) {
            QVERIFY(seteuid(0) == 0);
            QVERIFY(setegid(0) == 0);
        }
    }
    bool failed() const { return m_failed; }

private:
    bool m_switched = false;
    bool m_failed = false;
};

QStringList nestedFolders(int count)
{
    QStringList tree;
    for (int i = 0; i < count; ++i) {
        const QString folder = u"d"_s + QString::number(i).rightJustified(2, u'0');
        tree << folder + u"/f.txt"_s << folder + u"/n/g.txt"_s;
    }
    return tree;
}

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
            << u"txt"_s << QStringList { u"~tmp.txt"_s, u"a.txt"_s, u"s/~b.txt"_s, u"s/c.txt"_s }
            << QStringList { u"a.txt"_s, u"s/c.txt"_s };
        QTest::newRow("hidden_files_of_visible_folders")
            << u"*"_s << QStringList { u".hidden"_s, u"v/.also"_s }
            << QStringList { u".hidden"_s, u"v/.also"_s };
        QTest::newRow("hidden_folders_left_out")
            << u"txt"_s
            << QStringList { u".h/a.txt"_s, u".h/in/b.txt"_s, u"v/c.txt"_s, u"v/.w/d.txt"_s }
            << QStringList { u"v/c.txt"_s };
        QTest::newRow("link_cycle_ends")
            << u"txt"_s
            << QStringList { u"a.txt"_s, u"s/b.txt"_s, u"s/up -> .."_s, u"s/self -> ."_s }
            << QStringList { u"a.txt"_s, u"s/b.txt"_s };
        QTest::newRow("broken_links_left_out")
            << u"*"_s << QStringList { u"a.txt"_s, u"gone.txt -> missing"_s, u"dead -> nowhere"_s }
            << QStringList { u"a.txt"_s };
        QTest::newRow("extension_in_capitals") << u"TXT"_s << QStringList { u"a.txt"_s, u"b.Txt"_s }
                                               << QStringList { u"a.txt"_s, u"b.Txt"_s };
        QTest::newRow("question_mark_in_extension")
            << u"t?t"_s << QStringList { u"a.txt"_s, u"b.tat"_s, u"c.tt"_s }
            << QStringList { u"a.txt"_s, u"b.tat"_s };
        QTest::newRow("folder_named_like_a_file") << u"txt"_s << QStringList { u"dir.txt/in.txt"_s }
                                                  << QStringList { u"dir.txt/in.txt"_s };
        QTest::newRow("nothing_matches")
            << u"txt"_s << QStringList { u"s/a.doc"_s } << QStringList {};
    }
    void addsMatchingFiles()
    {
        QFETCH(QString, extension);
        QFETCH(QStringList, tree);
        QFETCH(QStringList, expected);
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), tree));
        FolderAdd add;
        QCOMPARE(add.run(extension, root.path()), FolderOperationResult::Finished);
        QCOMPARE(add.list.entries(), underFolder(root.path(), expected));
        QCOMPARE(add.fake.pointer.history,
                 (QList<MousePointer> { MousePointer::Busy, MousePointer::Default }));
        QVERIFY(!add.guard.isWalking());
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
        QCOMPARE(add.run(extension, QString()), FolderOperationResult::Finished);
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

    void runTwiceListsEveryFileTwice()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"s/c.txt"_s }));
        FolderAdd add;
        add.run(u"txt"_s, root.path());
        add.run(u"txt"_s, root.path());
        const QStringList once = underFolder(root.path(), { u"a.txt"_s, u"s/c.txt"_s });
        QCOMPARE(add.list.entries(), once + once);
    }

    void folderEndingInSeparatorGivesSingleSeparators()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"s/c.txt"_s }));
        FolderAdd add;
        add.run(u"txt"_s, root.path() + QDir::separator());
        QCOMPARE(add.list.entries(), underFolder(root.path(), { u"a.txt"_s, u"s/c.txt"_s }));
    }

    // At every yield in turn the user acts on the list; the entries found before it must be
    // in the list by then, and the later ones must follow the list as the user left it.
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
        QVERIFY(buildFolderTree(root.path(), nestedFolders(40)));
        FolderAdd whole;
        whole.run(u"txt"_s, root.path());
        const QStringList all = whole.list.entries();
        QCOMPARE(all.size(), 80);

        bool someInTheMiddle = false;
        for (int yield = 1; yield <= whole.fake.events.calls; ++yield) {
            FolderAdd add;
            qsizetype foundBefore = -1;
            add.fake.events.atYield = [&](int call) {
                if (call != yield)
                    return;
                foundBefore = add.list.entryCount();
                if (action == u"clear")
                    add.list.clear();
                else if (action == u"remove")
                    add.list.removeEntry(1);
                else
                    add.guard.requestStop();
            };
            add.run(u"txt"_s, root.path());
            QStringList expected = all;
            if (action == u"clear")
                expected = all.mid(foundBefore);
            else if (action == u"remove" && foundBefore > 0)
                expected.removeFirst();
            else if (action == u"stop")
                expected = all.first(foundBefore);
            QCOMPARE(add.list.entries(), expected);
            QCOMPARE(add.fake.pointer.current, MousePointer::Default);
            someInTheMiddle |= foundBefore > 0 && foundBefore < all.size();
        }
        QVERIFY(someInTheMiddle);
    }

    void secondFolderOperationRefusedWhileWalking()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"s/c.txt"_s }));
        FolderAdd add;
        FolderOperationResult secondAdd = FolderOperationResult::Finished;
        FolderOperationResult drop = FolderOperationResult::Finished;
        add.fake.events.atYield = [&](int call) {
            if (call != 1)
                return;
            QVERIFY(add.guard.isWalking());
            secondAdd = addAllFilesInFolder(add.list, add.guard, add.fake.platform);
            drop = addDroppedPaths({ root.path() }, add.list, add.guard, add.fake.events);
        };
        QCOMPARE(add.run(u"txt"_s, root.path()), FolderOperationResult::Finished);
        QCOMPARE(secondAdd, FolderOperationResult::RefusedWhileWalking);
        QCOMPARE(drop, FolderOperationResult::RefusedWhileWalking);
        QCOMPARE(add.fake.input.asked.size(), 1);
        const QStringList once = underFolder(root.path(), { u"a.txt"_s, u"s/c.txt"_s });
        QCOMPARE(add.list.entries(), once);

        add.fake.events.atYield = nullptr;
        QCOMPARE(add.run(u"txt"_s, root.path()), FolderOperationResult::Finished);
        QCOMPARE(add.list.entries(), once + once);
    }

    void unreadableFolderSkipped()
    {
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"locked/x.txt"_s, u"open/y.txt"_s }));
        const auto openToAll = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
            | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(root.path(), openToAll));
        QVERIFY(QFile::setPermissions(root.filePath(u"locked"_s), {}));
        FolderAdd add;
        {
            const AsOrdinaryUser ordinary;
            if (ordinary.failed())
                QSKIP("cannot take on an ordinary user's identity");
            add.run(u"txt"_s, root.path());
        }
        QVERIFY(QFile::setPermissions(root.filePath(u"locked"_s), openToAll));
        QCOMPARE(add.list.entries(), underFolder(root.path(), { u"a.txt"_s, u"open/y.txt"_s }));
    }

    // Another route to a folder that cannot be listed, which works for root too.
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
