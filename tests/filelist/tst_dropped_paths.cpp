#include "fakes/fake_platform.h"
#include "filelist/dropped_paths.h"
#include "filelist/file_list_model.h"
#include "folder_tree_builder.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

class TestDroppedPaths : public QObject
{
    Q_OBJECT

private slots:
    void addsDroppedPaths_data()
    {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two_files_whatever_their_names")
            << QStringList { u"F/b.doc"_s, u"F/Makefile"_s }
            << QStringList { u"F/b.doc"_s, u"F/Makefile"_s };
        QTest::newRow("folder_and_its_sub_folder")
            << QStringList { u"F"_s } << QStringList { u"F/x.txt"_s, u"F/s/y.doc"_s };
        QTest::newRow("file_then_folder")
            << QStringList { u"G/a.txt"_s, u"F"_s }
            << QStringList { u"G/a.txt"_s, u"F/x.txt"_s, u"F/s/y.doc"_s };
        QTest::newRow("two_folders_each_once")
            << QStringList { u"F"_s, u"G"_s }
            << QStringList { u"F/x.txt"_s, u"F/s/y.doc"_s, u"G/a.txt"_s, u"G/Makefile"_s };
        QTest::newRow("tilde_file_dropped_itself")
            << QStringList { u"F/~x.txt"_s } << QStringList { u"F/~x.txt"_s };
        QTest::newRow("hidden_folder_one_entry")
            << QStringList { u".h"_s } << QStringList { u".h"_s };
        QTest::newRow("missing_path_as_it_came")
            << QStringList { u"gone"_s } << QStringList { u"gone"_s };
        QTest::newRow("folder_ending_in_separator_keeps_doubles")
            << QStringList { u"G/"_s } << QStringList { u"G//a.txt"_s, u"G//Makefile"_s };
    }
    void addsDroppedPaths()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, expected);
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(),
                                { u"F/x.txt"_s, u"F/~x.txt"_s, u"F/.h/z.txt"_s, u"F/s/y.doc"_s,
                                  u"G/a.txt"_s, u"G/Makefile"_s, u".h/in.txt"_s }));
        FakePlatform fake;
        FileListModel list;
        QAbstractItemModelTester tester(&list);
        FolderWalkGuard guard;
        QCOMPARE(addDroppedPaths(underFolder(root.path(), dropped), list, guard, fake.events),
                 FolderOperationResult::Finished);
        QCOMPARE(list.entries(), underFolder(root.path(), expected));
        QVERIFY(fake.pointer.history.isEmpty());
        QVERIFY(fake.messages.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDroppedPaths)
#include "tst_dropped_paths.moc"
