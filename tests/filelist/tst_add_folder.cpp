#include "filelist/add_folder.h"
#include "folder_tree_builder.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestAddFolder)
#include "tst_add_folder.moc"
