// "Start Counting" in the window: filters from the controls, messages, the busy pointer and
// the error report, with real files in a temporary folder.
#include "common/path_bytes.h"
#include "fakes/small_file_system.h"
#include "folder_tree_builder.h"
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;

namespace {

struct Row
{
    QString count;
    QString key;
    QString line;
    bool operator==(const Row& other) const
    {
        return count == other.count && key == other.key && line == other.line;
    }
};

} // namespace

QT_BEGIN_NAMESPACE
namespace QTest {
template<> char* toString(const Row& row)
{
    return qstrdup(QStringLiteral("(%1, %2, %3)").arg(row.count, row.key, row.line).toUtf8());
}
} // namespace QTest
QT_END_NAMESPACE

class TestStartCounting : public QObject, protected FormTest
{
    Q_OBJECT

private slots:
    void init() { startWindow(FormFixture::SampleFile, &FormTest::resultsOf); }

    void emptyFileListSaysSoAndKeepsTheResults()
    {
        form->fileList().appendEntry(file("first.txt", "one\ntwo\n"));
        form->PushButton2->click();
        form->PushButton8->click();
        messages().shown.clear();
        pointer().history.clear();

        form->PushButton2->click();

        QCOMPARE(texts(), QStringList({ "No files added." }));
        QCOMPARE(messages().shown.first().caption, QStringLiteral("Velmora"));
        QCOMPARE(messages().shown.first().icon, MessageIcon::None);
        QVERIFY(pointer().history.isEmpty());
        QCOMPARE(rows().size(), 2);
    }

    void countsEveryLineUnderTheBusyPointerThenSaysDone()
    {
        form->fileList().appendEntry(file("a.txt", "a\r\nb\r\n\r\n   \r\na\tb\r\n"));
        MousePointer pointerAtDone = MousePointer::Default;
        messages().whileShown = [&](const ShownMessage&) { pointerAtDone = pointer().current; };

        form->PushButton2->click();

        QCOMPARE(rows(),
                 QList<Row>({ { "1", "0000000001", "a" },
                              { "1", "0000000001", "b" },
                              { "3", "0000000003", "   " },
                              { "3", "0000000003", "a\tb" } }));
        QCOMPARE(texts(), QStringList({ "Done." }));
        QCOMPARE(messages().shown.first().buttons, MessageButtons::Ok);
        QCOMPARE(pointerAtDone, MousePointer::Busy);
        QCOMPARE(pointer().history,
                 QList<MousePointer>({ MousePointer::Busy, MousePointer::Default }));
        QCOMPARE(fixture->fake.progress.ended, 1);
    }

    void filterComesFromTheOptionsAndMatchCase_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("containing_any_case") << "Option1"
                                             << "ABC" << false << QStringList({ "xabcx", "ABC" });
        QTest::newRow("containing_match_case") << "Option1"
                                               << "ABC" << true << QStringList({ "ABC" });
        QTest::newRow("containing_empty_text_passes_all")
            << "Option1"
            << "" << false << QStringList({ "xabcx", "ABC", "other" });
        QTest::newRow("not_containing") << "Option2"
                                        << "abc" << false << QStringList({ "other" });
        QTest::newRow("not_containing_empty_text_passes_none") << "Option2"
                                                               << "" << false << QStringList();
        QTest::newRow("every_line_ignores_the_texts")
            << "Option3"
            << "zzz" << true << QStringList({ "xabcx", "ABC", "other" });
        QTest::newRow("no_option_selected") << ""
                                            << "abc" << false << QStringList();
    }
    void filterComesFromTheOptionsAndMatchCase()
    {
        QFETCH(QString, option);
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(QStringList, lines);
        form->fileList().appendEntry(file("f.txt", "xabcx\nABC\nother\n"));
        form->Text1->setText(text);
        form->Text2->setText(text);
        form->Check6->setChecked(matchCase);
        if (option.isEmpty()) {
            form->Option3->setAutoExclusive(false);
            form->Option3->setChecked(false);
        } else {
            form->findChild<QRadioButton*>(option)->setChecked(true);
        }

        form->PushButton2->click();

        QStringList counted;
        for (const Row& row : rows())
            counted << row.line;
        QCOMPARE(counted, lines);
        QCOMPARE(texts(), QStringList({ "Done." }));
    }

    void filesInListOrderAndEachTimeTheyAreListed()
    {
        const QString first = file("1.txt", "first\n");
        const QString second = file("2.txt", "second\n");
        form->fileList().appendEntries({ first, second, first });
        form->PushButton2->click();
        QCOMPARE(lines(), QStringList({ "first", "second", "first" }));
    }

    void aSecondCountReplacesTheRows()
    {
        form->fileList().appendEntry(file("a.txt", "one\ntwo\n"));
        form->PushButton2->click();
        form->PushButton8->click();
        form->fileList().appendEntry(file("b.txt", "three\n"));
        form->PushButton2->click();
        QCOMPARE(lines(), QStringList({ "three" }));
    }

    void emptyAndMissingFiles()
    {
        form->fileList().appendEntries({ file("empty.txt", ""),
                                         fixture->programPath("no such file.txt"),
                                         file("b.txt", "b") });
        form->PushButton2->click();
        QCOMPARE(rows(),
                 QList<Row>({ { "10", "0000000010", "empty file" }, { "1", "0000000001", "b" } }));
        QCOMPARE(texts(), QStringList({ "Done." }));
    }

    void anUnreadableFileIsReportedAndTheRunGoesOn()
    {
        const QString folder = fixture->programPath("a folder");
        QDir().mkpath(folder);
        form->fileList().appendEntries({ folder, file("b.txt", "b\n") });

        form->PushButton2->click();

        QCOMPARE(lines(), QStringList({ "b" }));
        QCOMPARE(messages().shown.size(), 2);
        const ShownMessage& report = messages().shown.at(0);
        QCOMPARE(report.caption, QStringLiteral("Application Error"));
        QCOMPARE(report.icon, MessageIcon::Exclamation);
        QCOMPARE(report.buttons, MessageButtons::Ok);
        QVERIFY2(report.text.endsWith("\r\nin Kestrune.Form1.PushButton2_Click at line 112"),
                 qPrintable(report.text));
        QVERIFY(report.text.section("\r\n", 0, 0).size() > 0);
        QCOMPARE(messages().shown.at(1).text, QStringLiteral("Done."));
        QCOMPARE(pointer().current, MousePointer::Default);
    }

    void aFullTemporaryFolderIsNamedAndTheRowsCalledIncomplete()
    {
        SmallFileSystem disk;
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        const TemporaryFolderOverride temporaryFolder(disk.path());
        // More text than the spill file's two buffers hold, so that it must reach the disk.
        const QByteArray line(999, 'x');
        form->fileList().appendEntry(file("big.txt", QByteArray(line + '\n').repeated(20000)));

        form->PushButton2->click();

        QVERIFY(form->results().rowCount() < 20000);
        QCOMPARE(messages().shown.size(), 2);
        QCOMPARE(messages().shown.at(0).text,
                 QStringLiteral("temporary folder %1: No space left on device (set TMPDIR to a "
                                "folder with more room); the rows shown are incomplete\r\n"
                                "in Kestrune.Form1.PushButton2_Click at line 890")
                     .arg(disk.path()));
        QCOMPARE(messages().shown.at(1).text, QStringLiteral("Done."));
    }

    void countsAreInUtf16UnitsAndByteOrderMarksAreNoText()
    {
        form->fileList().appendEntries({ file("le.txt",
                                              QByteArray("\xFF\xFE"
                                                         "a\0b\0\r\0\n\0\x3D\xD8\x42\xDE",
                                                         14)),
                                         file("utf8.txt",
                                              "\xEF\xBB\xBF"
                                              "caf\xC3\xA9\n") });
        form->PushButton2->click();
        QCOMPARE(rows(),
                 QList<Row>({ { "2", "0000000002", "ab" },
                              { "2", "0000000002", QString::fromUtf8("\xF0\x9F\x99\x82") },
                              { "4", "0000000004", QString::fromUtf8("caf\xC3\xA9") } }));
    }

    void rowsStayAsCountedWhateverHappensToTheFile_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QString>("change");
        // A few rows stay in memory; 200,000 rows are more text than a buffer of the spill
        // file holds, so most of it goes to the file.
        for (const int lineCount : { 3, 200000 }) {
            for (const char* change : { "cut_short", "rewritten_in_place", "appended_to",
                                        "replaced_by_rename", "removed" }) {
                QTest::addRow("%d_lines_%s", lineCount, change)
                    << lineCount << QString::fromLatin1(change);
            }
        }
    }
    void rowsStayAsCountedWhateverHappensToTheFile()
    {
        QFETCH(int, lineCount);
        QFETCH(QString, change);
        QByteArray text;
        QByteArray saved;
        for (int i = 0; i < lineCount; ++i) {
            const QByteArray line = "line " + QByteArray::number(i) + " as it was counted";
            text += line + "\r\n";
            saved += QByteArray::number(line.size()) + '\t' + line + "\r\n";
        }
        const QString path = file("input.txt", text);
        form->fileList().appendEntry(path);
        form->PushButton2->click();

        QFile input(path);
        if (change == u"cut_short") {
            QVERIFY(input.resize(0));
        } else if (change == u"rewritten_in_place") {
            QVERIFY(input.open(QIODevice::ReadWrite));
            input.write(QByteArray(text.size(), 'x'));
            input.close();
        } else if (change == u"appended_to") {
            QVERIFY(input.open(QIODevice::Append));
            input.write("one more line\n");
            input.close();
        } else if (change == u"replaced_by_rename") {
            const QString other = file("other.txt", "other\n");
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::rename(other, path));
        } else {
            QVERIFY(QFile::remove(path));
        }

        const QAbstractItemModel* model = form->ListView2->model();
        QCOMPARE(model->rowCount(), lineCount);
        QCOMPARE(model->index(lineCount - 1, 2).data().toString(),
                 QStringLiteral("line %1 as it was counted").arg(lineCount - 1));
        const QString target = fixture->programPath("saved.txt");
        dialogs().saveResults = { target };
        form->PushButton4->click();
        QCOMPARE(FormFixture::readFile(target), saved);
    }

    void rowsOfALaterCountTakeTheirSortedPlaces()
    {
        form->fileList().appendEntry(file("a.txt", "333\n1\n22\n"));
        form->PushButton2->click();
        form->PushButton6->click();
        form->PushButton2->click();
        QCOMPARE(lines(), QStringList({ "333", "22", "1" }));
    }

    void aFileNameThatIsNotUtf8IsCounted()
    {
        const QByteArray name = QFile::encodeName(path("caf")) + "\xE9.txt";
        // Qt's own clean-up of the temporary folder cannot see the name.
        const auto removeFile = qScopeGuard([&] { ::unlink(name.constData()); });
        QFile file;
        QVERIFY(file.open(std::fopen(name.constData(), "w"), QIODevice::WriteOnly,
                          QFileDevice::AutoCloseHandle));
        file.write("latin\n");
        file.close();
        form->fileList().appendEntry(pathFromBytes(name));
        QCOMPARE(form->ListView1->model()->index(0, 0).data().toString(), QString::fromUtf8(name));
        form->PushButton2->click();
        QCOMPARE(lines(), QStringList({ "latin" }));
        QCOMPARE(texts(), QStringList({ "Done." }));
    }

    // A file deeper than one path may be long (the folder add finds such files) is counted.
    void aFileBeyondThePathLimitIsCounted()
    {
        const QString top = path("deep");
        const QString deep = QStringLiteral("d/").repeated(3000) + "f.txt";
        // Qt's own clean-up of the temporary folder cannot reach that deep.
        const auto removeTree = qScopeGuard([&] {
            std::error_code error;
            std::filesystem::remove_all(pathBytes(top).toStdString(), error);
        });
        QVERIFY(buildFolderTree(top, { deep }));
        form->fileList().appendEntry(top + '/' + deep);
        form->PushButton2->click();
        QCOMPARE(rows(), QList<Row>({ { "10", "0000000010", "empty file" } }));
        QCOMPARE(texts(), QStringList({ "Done." }));
    }

private:
    QString file(const char* name, const QByteArray& bytes) const
    {
        return fixture->writeFile(QString::fromUtf8(name), bytes);
    }

    QList<Row> rows() const
    {
        QList<Row> result;
        const QAbstractItemModel* model = form->ListView2->model();
        for (int row = 0; row < model->rowCount(); ++row)
            result.append({ model->index(row, 0).data().toString(),
                            model->index(row, 1).data().toString(),
                            model->index(row, 2).data().toString() });
        return result;
    }

    QStringList lines() const
    {
        QStringList result;
        for (const Row& row : rows())
            result << row.line;
        return result;
    }
};

QTEST_MAIN(TestStartCounting)
#include "tst_start_counting.moc"
