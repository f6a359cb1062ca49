// Filling the file list from the window: the two add buttons, drops as real Qt drag events on
// the list, and paths given on the command line.
#include "common/path_bytes.h"
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>

using namespace velmora;
using namespace velmora::testing;

class TestAddingFiles : public QObject, protected FormTest
{
    Q_OBJECT

private slots:
    void init()
    {
        startWindow(FormFixture::SampleFile, &FormTest::fileListOf);
        // F holds x.txt and a sub-folder s with y.doc; G holds z.txt.
        fixture->writeFile("F/x.txt");
        fixture->writeFile("F/s/y.doc");
        fixture->writeFile("G/z.txt");
    }

    void addTextFilesTakesWhatTheDialogReturns()
    {
        fixture->fake.fileDialogs.openResults
            = { path("F/x.txt"), path("F") + QChar(u'\0') + "x.txt" + QChar(u'\0') + "gone.txt" };
        form->PushButton1->click();
        form->PushButton1->click();
        QCOMPARE(entries(), QStringList({ path("F/x.txt"), path("F/x.txt") }));
        QCOMPARE(fixture->fake.messages.shown.size(), 1);
        QCOMPARE(fixture->fake.messages.shown.first().text,
                 path("F/gone.txt")
                     + "\r\rwas not added because it has bad characters in the filename.");
        const FileDialogRequest& request = fixture->fake.fileDialogs.openRequests.first();
        QCOMPARE(request.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(request.filters.size(), 1);
        QCOMPARE(request.filters.first().description, QStringLiteral("All Files (*.*)"));
    }

    void addAllFilesInFolderWalksTheTree()
    {
        fixture->fake.input.answers = { "*" };
        fixture->fake.folderPicker.results = { path("F") };
        form->PushButton3->click();
        QCOMPARE(entries(), QStringList({ path("F/x.txt"), path("F/s/y.doc") }));
        QCOMPARE(fixture->fake.input.asked.first().defaultAnswer, QStringLiteral("txt"));
        QCOMPARE(fixture->fake.pointer.history,
                 QList<MousePointer>({ MousePointer::Busy, MousePointer::Default }));
        QVERIFY(form->PushButton3->isEnabled());
    }

    void cancellingTheExtensionShowsNoFolderPicker()
    {
        fixture->fake.input.answers = { QString() };
        form->PushButton3->click();
        QVERIFY(fixture->fake.folderPicker.prompts.isEmpty());
        QVERIFY(entries().isEmpty());
    }

    void clearListAndDropsDuringAWalk()
    {
        fixture->fake.input.answers = { "*" };
        fixture->fake.folderPicker.results = { path("F") };
        bool dropAccepted = true;
        bool buttonEnabled = true;
        fixture->fake.events.atYield = [&](int call) {
            if (call != 1)
                return;
            buttonEnabled = form->PushButton3->isEnabled();
            dropAccepted = dragEnter(mimeFor({ path("G/z.txt") }));
            form->PushButton8->click();
        };
        form->PushButton3->click();
        QVERIFY(!dropAccepted);
        QVERIFY(!buttonEnabled);
        QVERIFY(!entries().contains(path("G/z.txt")));
        QVERIFY(form->PushButton3->isEnabled());
        QVERIFY(dragEnter(mimeFor({ path("G/z.txt") })));
    }

    void dropOfTwoFilesInDropOrder()
    {
        drop({ path("F/s/y.doc"), path("F/x.txt") });
        QCOMPARE(entries(), QStringList({ path("F/s/y.doc"), path("F/x.txt") }));
    }

    void dropOfAFileAndAFolder()
    {
        drop({ path("G/z.txt"), path("F") });
        QCOMPARE(entries(), QStringList({ path("G/z.txt"), path("F/x.txt"), path("F/s/y.doc") }));
        QVERIFY(fixture->fake.pointer.history.isEmpty());
    }

    void dropOfTwoFoldersListsEveryFileOnce()
    {
        drop({ path("F"), path("G") });
        QCOMPARE(entries(), QStringList({ path("F/x.txt"), path("F/s/y.doc"), path("G/z.txt") }));
    }

    void dropOfNamesThatAreNotUtf8()
    {
        // A file manager sends such names percent-escaped byte by byte.
        const QByteArray folder = QFile::encodeName(path("caf")) + '\xE9';
        const auto removeFolder = qScopeGuard([&] {
            std::error_code error;
            std::filesystem::remove_all(folder.toStdString(), error);
        });
        QVERIFY(std::filesystem::create_directory(folder.toStdString()));
        QVERIFY(std::ofstream(folder.toStdString() + "/\xFF.txt").good());
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"),
                     "file://" + folder.toPercentEncoding("/") + "\r\n");

        drop(data);

        QCOMPARE(entries(), QStringList({ pathFromBytes(QByteArray(folder + "/\xFF.txt")) }));
    }

    void dataWithoutFilesCannotBeDropped()
    {
        QMimeData text;
        text.setText(QStringLiteral("/etc/passwd"));
        QVERIFY(!dragEnter(text));
        QMimeData web;
        web.setUrls({ QUrl(QStringLiteral("https://www.orvantis.com/velmora")) });
        QVERIFY(!dragEnter(web));
        QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(form->ListView1->viewport(), &dropEvent);
        QVERIFY(entries().isEmpty());
    }

    void theResultsListTakesNoDrops() { QVERIFY(!form->ListView2->acceptDrops()); }

    void commandLinePathsAreAddedAsIfDropped()
    {
        form->addCommandLinePaths({ path("G/z.txt"), path("F") });
        QCOMPARE(entries(), QStringList({ path("G/z.txt"), path("F/x.txt"), path("F/s/y.doc") }));
    }

private:
    QStringList entries() const { return form->fileList().entries(); }

    static QMimeData* newMimeFor(const QStringList& paths)
    {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        return data;
    }
    static QMimeData& mimeFor(const QStringList& paths)
    {
        static std::unique_ptr<QMimeData> data;
        data.reset(newMimeFor(paths));
        return *data;
    }

    bool dragEnter(const QMimeData& data)
    {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(form->ListView1->viewport(), &enter);
        return enter.isAccepted();
    }

    void drop(const QStringList& paths) { drop(mimeFor(paths)); }

    void drop(const QMimeData& data)
    {
        QVERIFY(dragEnter(data));
        QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->ListView1->viewport(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent dropEvent(QPointF(12, 12), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(form->ListView1->viewport(), &dropEvent);
        QVERIFY(dropEvent.isAccepted());
        QCOMPARE(dropEvent.dropAction(), Qt::CopyAction);
    }
};

QTEST_MAIN(TestAddingFiles)
#include "tst_adding_files.moc"
