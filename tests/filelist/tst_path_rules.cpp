#include "filelist/path_rules.h"
#include "folder_tree_builder.h"

#include <QFile>
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
        QTest::newRow("single_separators_kept") << "/a/b" << "/a/b";
        QTest::newRow("pair_in_the_middle") << "/a//b" << "/a/b";
        QTest::newRow("pair_at_the_start") << "//a/b" << "/a/b";
        QTest::newRow("several_pairs") << "a//b//c" << "a/b/c";
        // One pass without overlap: a run of three leaves two, a run of four leaves two.
        QTest::newRow("run_of_three") << "a///b" << "a//b";
        QTest::newRow("run_of_four") << "a////b" << "a//b";
    }
    void reducesDoubledSeparators()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(reduceDoubledSeparators(path), expected);
    }

    void pathHasBadCharacters_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<bool>("absolute"); // false: relativePath is used as it stands
        QTest::addColumn<QString>("expected");
        QTest::newRow("file") << "a.txt" << true << "False";
        QTest::newRow("folder") << "s" << true << "False";
        QTest::newRow("hidden_file") << ".hidden" << true << "False";
        QTest::newRow("read_only_file") << "ro.txt" << true << "False";
        QTest::newRow("empty_text") << "" << false << "True";
        QTest::newRow("missing_file") << "missing.txt" << true << "True";
        QTest::newRow("under_missing_folder") << "nowhere/a.txt" << true << "True";
        QTest::newRow("wildcard") << "*" << true << "True";
        QTest::newRow("wildcard_name") << "*.txt" << true << "True";
        QTest::newRow("broken_link") << "gone.txt" << true << "True";
    }
    void pathHasBadCharacters()
    {
        QFETCH(QString, relativePath);
        QFETCH(bool, absolute);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(),
                                { u"a.txt"_s, u"s/"_s, u".hidden"_s, u"ro.txt"_s, u"gone.txt -> missing"_s }));
        QVERIFY(QFile::setPermissions(root.filePath(u"ro.txt"_s), QFile::ReadOwner));
        const QString path = absolute ? root.filePath(relativePath) : relativePath;
        QCOMPARE(PathHasBadCharacters(path), expected);
    }
};

QTEST_GUILESS_MAIN(TestPathRules)
#include "tst_path_rules.moc"
