// The commands on the results list: both sorts, "Clear List" and "Save Results As New Text
// File", on real widgets, with the save dialog and the questions answered by fakes.
#include "counting/rows/result_store.h"
#include "fakes/small_file_system.h"
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;

namespace {

struct Line
{
    const char* bytes;
    std::uint64_t count;
};

} // namespace

class TestResultsCommands : public QObject, protected FormTest
{
    Q_OBJECT

private slots:
    void init() { startWindow(FormFixture::SampleFile, &FormTest::resultsOf); }

    void sortsByCountEitherWay()
    {
        show({ { "nine", 9 }, { "ten", 10 }, { "one", 1 } });
        form->PushButton6->click();
        QCOMPARE(counts(), QStringList({ "10", "9", "1" }));
        form->PushButton7->click();
        QCOMPARE(counts(), QStringList({ "1", "9", "10" }));
        QCOMPARE(pointer().history,
                 QList<MousePointer>({ MousePointer::Busy, MousePointer::Default,
                                       MousePointer::Busy, MousePointer::Default }));
        QVERIFY(messages().shown.isEmpty());
    }

    void equalCountsKeepTheirOrderInBothDirections()
    {
        show({ { "a", 2 }, { "b", 1 }, { "c", 2 }, { "d", 1 }, { "e", 2 } });
        form->PushButton6->click();
        QCOMPARE(lines(), QStringList({ "a", "c", "e", "b", "d" }));
        form->PushButton6->click();
        QCOMPARE(lines(), QStringList({ "a", "c", "e", "b", "d" }));
        form->PushButton7->click();
        QCOMPARE(lines(), QStringList({ "b", "d", "a", "c", "e" }));
    }

    void sortingAnEmptyListDoesNothingAtAll()
    {
        form->PushButton6->click();
        form->PushButton7->click();
        QVERIFY(pointer().history.isEmpty());
        QVERIFY(!form->results().isSorted());
    }

    void clearListEmptiesTheResultsOnly()
    {
        form->fileList().appendEntry(QStringLiteral("/listed.txt"));
        show({ { "x", 1 } });
        form->PushButton6->click();
        form->PushButton5->click();
        QCOMPARE(form->results().rowCount(), 0);
        QCOMPARE(form->fileList().entries(), QStringList({ "/listed.txt" }));
        QVERIFY(form->results().isSorted());
        form->PushButton5->click();
        QVERIFY(messages().shown.isEmpty());
    }

    void savesRowsInTheOrderShown()
    {
        show({ { "hello", 5 }, { "a\tb", 3 }, { "longest line", 12 } });
        form->PushButton6->click();
        const QString target = path("results.txt");
        const QByteArray saved = save(target);
        QCOMPARE(saved, QByteArray("12\tlongest line\r\n5\thello\r\n3\ta\tb\r\n"));
        QCOMPARE(texts(), QStringList({ "Done." }));
        QCOMPARE(pointer().history.mid(pointer().history.size() - 2),
                 QList<MousePointer>({ MousePointer::Busy, MousePointer::Default }));
    }

    void unsortedRowsAreSavedInTheCountsOrder()
    {
        show({ { "b", 1 }, { "aa", 2 } });
        QCOMPARE(save(path("out")), QByteArray("1\tb\r\n2\taa\r\n"));
        // Used exactly as typed: no extension is added.
        QVERIFY(QFile::exists(path("out")));
        QVERIFY(!QFile::exists(path("out.txt")));
    }

    void theLineBytesComeBackAsTheyWereRead()
    {
        show({ { "caf\xE9", 4 } }); // Windows-1252, not valid UTF-8
        QCOMPARE(save(path("cafe.txt")), QByteArray("4\tcaf\xE9\r\n"));
    }

    void anEmptyListGivesAnEmptyFile()
    {
        QCOMPARE(save(path("empty.txt")), QByteArray());
        QVERIFY(QFile::exists(path("empty.txt")));
        QCOMPARE(texts(), QStringList({ "Done." }));
    }

    void theDialogIsTheSameEveryTime()
    {
        save(path("first.txt"));
        save(path("second.txt"));
        QCOMPARE(dialogs().saveRequests.size(), 2);
        for (const FileDialogRequest& request : dialogs().saveRequests) {
            QCOMPARE(request.title, QStringLiteral("Save"));
            QCOMPARE(request.filters.size(), 2);
            QCOMPARE(request.filters.at(0).description, QStringLiteral("Text Files (*.txt)"));
            QCOMPARE(request.filters.at(0).pattern, QStringLiteral("*.txt"));
            QCOMPARE(request.filters.at(1).description, QStringLiteral("All Files (*.*)"));
            QCOMPARE(request.filters.at(1).pattern, QStringLiteral("*.*"));
        }
    }

    void cancellingTouchesNothing()
    {
        show({ { "x", 1 } });
        dialogs().saveResults = { QString() };
        form->PushButton4->click();
        QVERIFY(messages().shown.isEmpty());
        QVERIFY(pointer().history.isEmpty());
        QVERIFY(fixture->fake.outputFiles.begun.isEmpty());
    }

    void answeringNoKeepsTheFile()
    {
        show({ { "new", 3 } });
        const QString target = fixture->writeFile("kept.txt", "old content");
        messages().answers = { MessageAnswer::No };
        dialogs().saveResults = { target };
        form->PushButton4->click();
        QCOMPARE(FormFixture::readFile(target), QByteArray("old content"));
        QCOMPARE(texts(), QStringList({ "Are you sure you wish to overwrite " + target + " ?" }));
        const ShownMessage& question = messages().shown.first();
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.icon, MessageIcon::None);
        QCOMPARE(question.caption, QStringLiteral("Velmora"));
        QVERIFY(pointer().history.isEmpty());
    }

    void answeringYesReplacesALongerFile()
    {
        show({ { "new", 3 } });
        const QString target = fixture->writeFile("replaced.txt", QByteArray(10000, 'o'));
        messages().answers = { MessageAnswer::Yes };
        dialogs().saveResults = { target };
        form->PushButton4->click();
        QCOMPARE(FormFixture::readFile(target), QByteArray("3\tnew\r\n"));
        QCOMPARE(texts().last(), QStringLiteral("Done."));
    }

    void aTargetThatCannotBeCreatedIsReportedOnce_data()
    {
        QTest::addColumn<QString>("relativeTarget");
        QTest::newRow("missing_folder") << "no such folder/out.txt";
        QTest::newRow("a_file_as_folder") << "plain.txt/out.txt";
    }
    void aTargetThatCannotBeCreatedIsReportedOnce()
    {
        QFETCH(QString, relativeTarget);
        fixture->writeFile("plain.txt", "plain");
        show({ { "a", 1 }, { "b", 1 } });
        dialogs().saveResults = { path(relativeTarget) };
        form->PushButton4->click();
        QCOMPARE(messages().shown.size(), 1);
        expectReport(messages().shown.first(), 130);
        QCOMPARE(FormFixture::readFile(path("plain.txt")), QByteArray("plain"));
        QCOMPARE(pointer().current, MousePointer::Default);
    }

    void aFolderInPlaceOfTheTargetStaysAFolder()
    {
        const QString folder = path("a folder");
        QDir().mkpath(folder);
        show({ { "a", 1 } });
        messages().answers = { MessageAnswer::Yes };
        dialogs().saveResults = { folder };
        form->PushButton4->click();
        QCOMPARE(messages().shown.size(), 2);
        expectReport(messages().shown.last(), 130);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void aDiskThatFillsUpLeavesTheOldFileIntact_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("in_the_counts_order") << false;
        // Sorted rows are gathered into the writer's buffers in passes.
        QTest::newRow("sorted") << true;
    }
    void aDiskThatFillsUpLeavesTheOldFileIntact()
    {
        QFETCH(bool, sorted);
        SmallFileSystem disk;
        if (!disk.mounted())
            QSKIP("mounting a small tmpfs needs root");
        QList<Line> many;
        for (int i = 0; i < 50000; ++i)
            many.append({ "a line that fills the disk sooner or later",
                          sorted ? std::uint64_t(i % 97) : 42 });
        show(many);
        if (sorted)
            form->PushButton6->click();
        const QString target = disk.path() + "/precious.txt";
        writeBytes(target, "the old results");
        messages().answers = { MessageAnswer::Yes };
        dialogs().saveResults = { target };

        form->PushButton4->click();

        QCOMPARE(messages().shown.size(), 2);
        expectReport(messages().shown.last(), 136);
        QVERIFY2(messages().shown.last().text.startsWith("No space left on device\r\n"),
                 qPrintable(messages().shown.last().text));
        QCOMPARE(FormFixture::readFile(target), QByteArray("the old results"));
        QCOMPARE(
            QDir(disk.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({ "precious.txt" }));
        QCOMPARE(pointer().current, MousePointer::Default);
    }

    void aFifoIsWrittenAndStaysAFifo()
    {
        const QString fifo = path("results pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QByteArray received;
        std::thread reader([&] { received = FormFixture::readFile(fifo); });
        show({ { "one", 3 }, { "three", 5 } });
        messages().answers = { MessageAnswer::Yes };
        dialogs().saveResults = { fifo };

        form->PushButton4->click();
        reader.join();

        QCOMPARE(received, QByteArray("3\tone\r\n5\tthree\r\n"));
        QCOMPARE(texts().last(), QStringLiteral("Done."));
        struct stat status;
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &status) == 0
                && S_ISFIFO(status.st_mode));
    }

    void aReplacedFileKeepsItsPermissions()
    {
        show({ { "a", 1 } });
        const QString target = fixture->writeFile("shared.txt", "old");
        QFile::setPermissions(
            target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        messages().answers = { MessageAnswer::Yes };
        QCOMPARE(save(target), QByteArray("1\ta\r\n"));
        QCOMPARE(QFile::permissions(target),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
                     | QFile::ReadGroup | QFile::ReadOther);
    }

    void aFailedReplaceIsReportedAtTheClose()
    {
        show({ { "a", 1 } });
        const QString target = fixture->writeFile("old.txt", "old");
        fixture->fake.outputFiles.commitFails = true;
        messages().answers = { MessageAnswer::Yes };
        dialogs().saveResults = { target };
        form->PushButton4->click();
        expectReport(messages().shown.last(), 140);
        QCOMPARE(FormFixture::readFile(target), QByteArray("old"));
        QVERIFY(!texts().contains("Done."));
    }

private:
    void show(const QList<Line>& rows)
    {
        ResultStore store;
        for (const Line& line : rows)
            store.addRow(line.bytes, CharacterCount(line.count), LineNumber(1));
        form->results().setStore(std::move(store));
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    QByteArray save(const QString& target)
    {
        dialogs().saveResults = { target };
        form->PushButton4->click();
        return FormFixture::readFile(target);
    }

    static void expectReport(const ShownMessage& box, int line)
    {
        QCOMPARE(box.caption, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, MessageIcon::Exclamation);
        const QString ending
            = "\r\nin Kestrune.Form1.PushButton4_Click at line " + QString::number(line);
        QVERIFY2(box.text.endsWith(ending), qPrintable(box.text));
        QVERIFY2(box.text.size() > ending.size(), "the report names no cause");
    }

    QStringList column(int column) const
    {
        QStringList result;
        for (int row = 0; row < form->results().rowCount(); ++row)
            result << form->results().index(row, column).data().toString();
        return result;
    }
    QStringList counts() const { return column(0); }
    QStringList lines() const { return column(2); }
};

QTEST_MAIN(TestResultsCommands)
#include "tst_results_commands.moc"
