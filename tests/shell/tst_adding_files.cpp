// Filling the file list from the window: the two add buttons, drops as real Qt drag events on
// the list, and paths given on the command line.
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

using namespace velmora;
using namespace velmora::testing;

class TestAddingFiles : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<FormFixture>();
        m_form = &m_fixture->create();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &m_form->fileList(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        // F holds x.txt and a sub-folder s with y.doc; G holds z.txt.
        touch("F/x.txt");
        touch("F/s/y.doc");
        touch("G/z.txt");
    }

    void addTextFilesTakesWhatTheDialogReturns()
    {
        m_fixture->fake.fileDialogs.openResults
            = { path("F/x.txt"), path("F") + QChar(u'\0') + "x.txt" + QChar(u'\0') + "gone.txt" };
        m_form->PushButton1->click();
        m_form->PushButton1->click();
        QCOMPARE(entries(), QStringList({ path("F/x.txt"), path("F/x.txt") }));
        QCOMPARE(m_fixture->fake.messages.shown.size(), 1);
        QCOMPARE(m_fixture->fake.messages.shown.first().text,
                 path("F/gone.txt") + "\r\rwas not added because it has bad characters in the filename.");
        const FileDialogRequest& request = m_fixture->fake.fileDialogs.openRequests.first();
        QCOMPARE(request.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(request.filters.size(), 1);
        QCOMPARE(request.filters.first().description, QStringLiteral("All Files (*.*)"));
    }

    void addAllFilesInFolderWalksTheTree()
    {
        m_fixture->fake.input.answers = { "*" };
        m_fixture->fake.folderPicker.results = { path("F") };
        m_form->PushButton3->click();
        QCOMPARE(entries(), QStringList({ path("F/x.txt"), path("F/s/y.doc") }));
        QCOMPARE(m_fixture->fake.input.asked.first().defaultAnswer, QStringLiteral("txt"));
        QCOMPARE(m_fixture->fake.pointer.history,
                 QList<MousePointer>({ MousePointer::Busy, MousePointer::Default }));
        QVERIFY(m_form->PushButton3->isEnabled());
    }

    void cancellingTheExtensionShowsNoFolderPicker()
    {
        m_fixture->fake.input.answers = { QString() };
        m_form->PushButton3->click();
        QVERIFY(m_fixture->fake.folderPicker.prompts.isEmpty());
        QVERIFY(entries().isEmpty());
    }

    void clearListAndDropsDuringAWalk()
    {
        m_fixture->fake.input.answers = { "*" };
        m_fixture->fake.folderPicker.results = { path("F") };
        bool dropAccepted = true;
        bool buttonEnabled = true;
        m_fixture->fake.events.atYield = [&](int call) {
            if (call != 1)
                return;
            buttonEnabled = m_form->PushButton3->isEnabled();
            dropAccepted = dragEnter(mimeFor({ path("G/z.txt") }));
            m_form->PushButton8->click();
        };
        m_form->PushButton3->click();
        QVERIFY(!dropAccepted);
        QVERIFY(!buttonEnabled);
        QVERIFY(!entries().contains(path("G/z.txt")));
        QVERIFY(m_form->PushButton3->isEnabled());
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
        QCOMPARE(entries(),
                 QStringList({ path("G/z.txt"), path("F/x.txt"), path("F/s/y.doc") }));
        QVERIFY(m_fixture->fake.pointer.history.isEmpty());
    }

    void dropOfTwoFoldersListsEveryFileOnce()
    {
        drop({ path("F"), path("G") });
        QCOMPARE(entries(),
                 QStringList({ path("F/x.txt"), path("F/s/y.doc"), path("G/z.txt") }));
    }

    void dataWithoutFilesCannotBeDropped()
    {
        QMimeData text;
        text.setText(QStringLiteral("/etc/passwd"));
        QVERIFY(!dragEnter(text));
        QMimeData web;
        web.setUrls({ QUrl(QStringLiteral("https://www.orvantis.com/velmora")) });
        QVERIFY(!dragEnter(web));
        QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form->ListView1->viewport(), &dropEvent);
        QVERIFY(entries().isEmpty());
    }

    void theResultsListTakesNoDrops()
    {
        QVERIFY(!m_form->ListView2->acceptDrops());
    }

    void commandLinePathsAreAddedAsIfDropped()
    {
        m_form->addCommandLinePaths({ path("G/z.txt"), path("F") });
        QCOMPARE(entries(),
                 QStringList({ path("G/z.txt"), path("F/x.txt"), path("F/s/y.doc") }));
    }

private:
    QString path(const QString& relative) const { return m_fixture->programPath(relative); }

    void touch(const QString& relative) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create the fixture");
    }

    QStringList entries() const { return m_form->fileList().entries(); }

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
        QApplication::sendEvent(m_form->ListView1->viewport(), &enter);
        return enter.isAccepted();
    }

    void drop(const QStringList& paths)
    {
        const QMimeData& data = mimeFor(paths);
        QVERIFY(dragEnter(data));
        QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form->ListView1->viewport(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent dropEvent(QPointF(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form->ListView1->viewport(), &dropEvent);
        QVERIFY(dropEvent.isAccepted());
        QCOMPARE(dropEvent.dropAction(), Qt::CopyAction);
    }

    std::unique_ptr<FormFixture> m_fixture;
    Form1* m_form = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestAddingFiles)
#include "tst_adding_files.moc"
