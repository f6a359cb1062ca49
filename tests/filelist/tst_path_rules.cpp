#include "filelist/path_rules.h"
#include "folder_tree_builder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

class TestPathRules : public QObject
{
    Q_OBJECT

private slots:
    void reducesDoubledSeparators_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pair_in_the_middle") << u"/a//b"_s << u"/a/b"_s;
        QTest::newRow("pair_at_the_start") << u"//a/b"_s << u"/a/b"_s;
        // One pass from the left without overlap: a run of three leaves two.
        QTest::newRow("run_of_three") << u"a///b"_s << u"a//b"_s;
    }
    void reducesDoubledSeparators()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(reduceDoubledSeparators(path), expected);
    }

    // "<dir>" stands for a temporary folder holding a.txt, s/, .hidden and gone.txt, a link to
    // nothing.
    void pathHasBadCharacters_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file") << u"<dir>/a.txt"_s << u"False"_s;
        QTest::newRow("folder") << u"<dir>/s"_s << u"False"_s;
        QTest::newRow("hidden_file") << u"<dir>/.hidden"_s << u"False"_s;
        QTest::newRow("empty_text") << u""_s << u"True"_s;
        QTest::newRow("missing_file") << u"<dir>/missing.txt"_s << u"True"_s;
        QTest::newRow("wildcard") << u"<dir>/*"_s << u"True"_s;
        QTest::newRow("broken_link") << u"<dir>/gone.txt"_s << u"True"_s;
    }
    void pathHasBadCharacters()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(),
                                { u"a.txt"_s, u"s/"_s, u".hidden"_s, u"gone.txt -> missing"_s }));
        QCOMPARE(PathHasBadCharacters(path.replace(u"<dir>"_s, root.path())), expected);
    }
};

QTEST_GUILESS_MAIN(TestPathRules)
#include "tst_path_rules.moc"
