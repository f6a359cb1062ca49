#include "filelist/add_folder.h"
#include "folder_tree_builder.h"

#include <QFile>
#include <QTest>

#include <cerrno>
#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

class TestAddFolder : public QObject
{
    Q_OBJECT

private slots:
    void collectsSubFolders_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("seed");
        QTest::addColumn<QStringList>("expected"); // the collection after the seed
        QTest::newRow("level_by_level_grouped_by_parent")
            << QStringList { u"b/z/"_s, u"a/y/"_s, u"a/x/deep/"_s, u"a/file"_s } << u""_s
            << QStringList { u"a/"_s, u"b/"_s, u"a/x/"_s, u"a/y/"_s, u"b/z/"_s, u"a/x/deep/"_s };
        QTest::newRow("names_by_letter_then_case")
            << QStringList { u"b/"_s, u"B/"_s, u"a/"_s, u"C/"_s } << u""_s
            << QStringList { u"a/"_s, u"B/"_s, u"b/"_s, u"C/"_s };
        QTest::newRow("hidden_seed_walked")
            << QStringList { u".h/in/"_s } << u".h/"_s << QStringList { u".h/in/"_s };
        QTest::newRow("names_that_are_not_utf8_walked")
            << QStringList { u"caf\xDCE9/in/"_s, u"\xDCFF/"_s } << u""_s
            << QStringList { u"caf\xDCE9/"_s, u"\xDCFF/"_s, u"caf\xDCE9/in/"_s };
        QTest::newRow("two_names_for_one_folder_walked_once")
            << QStringList { u"alias -> real"_s, u"real/in/"_s } << u""_s
            << QStringList { u"alias/"_s, u"alias/in/"_s };
    }
    void collectsSubFolders()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, seed);
        QFETCH(QStringList, expected);
        ScratchFolder root;
        QVERIFY(buildFolderTree(root.path(), tree));
        const QString seedPath = root.path() + u'/' + seed;
        QStringList folders { seedPath };
        CollectSubFolders(folders, [] { return WalkStep::Continue; });
        QCOMPARE(folders, QStringList { seedPath } + underFolder(root.path(), expected));
    }

    void listsFolderFiles_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("by_letter_then_case")
            << QStringList { u"b.txt"_s, u"B.txt"_s, u"a.txt"_s, u"C.txt"_s } << u"*.txt"_s
            << QStringList { u"a.txt"_s, u"B.txt"_s, u"b.txt"_s, u"C.txt"_s };
        QTest::newRow("folders_and_broken_links_out")
            << QStringList { u"dir.txt/"_s, u"gone.txt -> missing"_s, u"a.txt"_s } << u"*.*"_s
            << QStringList { u"a.txt"_s };
        QTest::newRow("names_that_are_not_utf8_listed")
            << QStringList { u"\xDCFF.txt"_s, u"caf\xDCE9.txt"_s } << u"*.txt"_s
            << QStringList { u"caf\xDCE9.txt"_s, u"\xDCFF.txt"_s };
        QTest::newRow("link_to_a_file_in") << QStringList { u"a.txt"_s, u"l.txt -> a.txt"_s }
                                           << u"*.txt"_s << QStringList { u"a.txt"_s, u"l.txt"_s };
    }
    void listsFolderFiles()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        ScratchFolder root;
        QVERIFY(buildFolderTree(root.path(), tree));
        QCOMPARE(ListFolderFiles(root.path(), FileNamePattern(pattern)), expected);
        QCOMPARE(ListFolderFiles(root.path() + u'/', FileNamePattern(pattern)), expected);
    }

    // Both routines tell what they could not reach, in the system's words, and walk on.
    void tellsWhatItCannotReach_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("locked"); // a folder no one may read, walked as nobody
        QTest::addColumn<QString>("unreached");
        QTest::addColumn<int>("cause");
        QTest::addColumn<int>("folderCount"); // the seed and every folder found
        QTest::newRow("link_that_leads_to_itself")
            << QStringList { u"a.txt"_s, u"s/loop -> loop"_s, u"s/b.txt"_s } << u""_s << u"s/loop"_s
            << ELOOP << 2;
        QTest::newRow("folder_without_read_permission")
            << QStringList { u"a.txt"_s, u"locked/x.txt"_s, u"open/y.txt"_s } << u"locked"_s
            << u"locked"_s << EACCES << 3;
        QTest::newRow("link_to_nothing_is_no_failure")
            << QStringList { u"a.txt"_s, u"gone -> nowhere"_s, u"gone.txt -> none"_s } << u""_s
            << u""_s << 0 << 1;
    }
    void tellsWhatItCannotReach()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, locked);
        QFETCH(QString, unreached);
        QFETCH(int, cause);
        QFETCH(int, folderCount);
        ScratchFolder root;
        QVERIFY(buildFolderTree(root.path(), tree));
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QVERIFY(QFile::setPermissions(root.path(), ownerOnly | QFile::ReadOther | QFile::ExeOther));
        const QString lockedPath = root.path() + u'/' + locked;
        const bool asNobody = !locked.isEmpty() && geteuid() == 0;
        if (!locked.isEmpty())
            QVERIFY(QFile::setPermissions(lockedPath, {}));
        // Root reads every folder, so the walk runs as nobody, whom the tree must let in.
        if (asNobody && (setegid(65534) != 0 || seteuid(65534) != 0)) {
            QVERIFY(setegid(0) == 0);
            QSKIP("cannot act as an ordinary user");
        }
        QStringList collectFailures;
        QStringList listFailures;
        QStringList folders { root.path() + u'/' };
        CollectSubFolders(
            folders, [] { return WalkStep::Continue; },
            [&](const WalkFailure& failure) {
                collectFailures << failure.path + u": "_s + failure.cause;
            });
        for (const QString& folder : std::as_const(folders)) {
            ListFolderFiles(folder, FileNamePattern(u"*.*"_s), [&](const WalkFailure& failure) {
                listFailures << failure.path + u": "_s + failure.cause;
            });
        }
        QVERIFY(!asNobody || (seteuid(0) == 0 && setegid(0) == 0));
        if (!locked.isEmpty())
            QVERIFY(QFile::setPermissions(lockedPath, ownerOnly));

        const QStringList expected = unreached.isEmpty()
            ? QStringList {}
            : QStringList { root.path() + u'/' + unreached + u": "_s + qt_error_string(cause) };
        QCOMPARE(collectFailures, expected);
        QCOMPARE(listFailures, expected);
        // Past what it could not reach, the walk went on to every folder of the tree.
        QCOMPARE(folders.size(), folderCount);
    }
};

QTEST_GUILESS_MAIN(TestAddFolder)
#include "tst_add_folder.moc"
