#include "fakes/fake_platform.h"
#include "filelist/add_text_files.h"
#include "filelist/file_list_model.h"
#include "folder_tree_builder.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

class TestAddTextFiles : public QObject
{
    Q_OBJECT

private slots:
    // The dialog's result is written with "<dir>" for the temporary folder and "|" for NUL.
    void addsChosenFiles_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("rejected");
        QTest::newRow("cancelled") << u""_s << QStringList {} << QStringList {};
        QTest::newRow("one_file_taken_untested")
            << u"<dir>/typed but missing"_s << QStringList { u"<dir>/typed but missing"_s }
            << QStringList {};
        QTest::newRow("several_files_in_dialog_order")
            << u"<dir>|b.txt|a.txt|c.doc"_s
            << QStringList { u"<dir>/b.txt"_s, u"<dir>/a.txt"_s, u"<dir>/c.doc"_s }
            << QStringList {};
        QTest::newRow("folder_ending_in_separator")
            << u"<dir>/|a.txt|b.txt"_s << QStringList { u"<dir>/a.txt"_s, u"<dir>/b.txt"_s }
            << QStringList {};
        QTest::newRow("same_file_twice")
            << u"<dir>|a.txt|a.txt"_s << QStringList { u"<dir>/a.txt"_s, u"<dir>/a.txt"_s }
            << QStringList {};
        QTest::newRow("missing_file_among_several")
            << u"<dir>|a.txt|gone.txt|b.txt"_s << QStringList { u"<dir>/a.txt"_s, u"<dir>/b.txt"_s }
            << QStringList { u"<dir>/gone.txt"_s };
        QTest::newRow("every_one_missing")
            << u"<dir>|gone.txt|lost.txt"_s << QStringList {}
            << QStringList { u"<dir>/gone.txt"_s, u"<dir>/lost.txt"_s };
        QTest::newRow("missing_folder_among_several")
            << u"<dir>/nowhere|a.txt|b.txt"_s << QStringList {}
            << QStringList { u"<dir>/nowhere/a.txt"_s, u"<dir>/nowhere/b.txt"_s };
    }
    void addsChosenFiles()
    {
        QFETCH(QString, result);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, rejected);
        QTemporaryDir root;
        QVERIFY(buildFolderTree(root.path(), { u"a.txt"_s, u"b.txt"_s, u"c.doc"_s }));
        const auto resolve = [&](QString text) {
            return text.replace(u"<dir>"_s, root.path()).replace(u'|', QChar(u'\0'));
        };
        FakePlatform fake;
        FileListModel list;
        QAbstractItemModelTester tester(&list);
        fake.fileDialogs.openResults = { resolve(result) };
        QList<qsizetype> listedWhileShown;
        fake.messages.whileShown
            = [&](const ShownMessage&) { listedWhileShown << list.entryCount(); };

        addTextFiles(list, fake.fileDialogs, fake.messages);

        QCOMPARE(fake.fileDialogs.openRequests.size(), 1);
        const FileDialogRequest& request = fake.fileDialogs.openRequests[0];
        QCOMPARE(request.title, u"Add File(s) - Hold Ctrl to select multiple files"_s);
        QCOMPARE(request.filters.size(), 1);
        QCOMPARE(request.filters[0].description, u"All Files (*.*)"_s);
        QCOMPARE(request.filters[0].pattern, u"*.*"_s);

        QStringList wanted;
        for (const QString& path : std::as_const(expected))
            wanted << resolve(path);
        QCOMPARE(list.entries(), wanted);
        QCOMPARE(fake.messages.shown.size(), rejected.size());
        for (qsizetype i = 0; i < rejected.size(); ++i) {
            const ShownMessage& box = fake.messages.shown[i];
            QCOMPARE(box.text,
                     resolve(rejected[i])
                         + u"\r\rwas not added because it has bad characters in the filename."_s);
            QCOMPARE(box.caption, u"Velmora"_s);
            QCOMPARE(box.buttons, MessageButtons::Ok);
            QCOMPARE(box.icon, MessageIcon::None);
        }
        // The files chosen before a rejected one are already listed while its box is up.
        if (!rejected.isEmpty() && !expected.isEmpty())
            QCOMPARE(listedWhileShown, QList<qsizetype> { 1 });
    }
};

QTEST_GUILESS_MAIN(TestAddTextFiles)
#include "tst_add_text_files.moc"
