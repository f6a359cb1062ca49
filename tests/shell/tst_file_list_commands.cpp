// The file list's own commands in the window: the sample file, double-click removal and
// "Clear List".
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QPushButton>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

class TestFileListCommands : public QObject, protected FormTest
{
    Q_OBJECT

private slots:
    void init() { startWindow(FormFixture::SampleFile, &FormTest::fileListOf); }

    void sampleFileAnsweredNo()
    {
        fixture->fake.messages.answers = { MessageAnswer::No };
        form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath() }));
        QCOMPARE(fixture->fake.messages.shown.size(), 1);
        const ShownMessage& question = fixture->fake.messages.shown.first();
        QCOMPARE(question.text,
                 QStringLiteral("Would you like to view the contents of this file?"));
        QCOMPARE(question.caption, QStringLiteral("Velmora"));
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.icon, MessageIcon::None);
        QVERIFY(fixture->fake.shell.openedDocuments.isEmpty());
    }

    void sampleFileAnsweredYesOpensIt()
    {
        fixture->fake.messages.answers = { MessageAnswer::Yes };
        form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath() }));
        QCOMPARE(fixture->fake.shell.openedDocuments, QStringList({ samplePath() }));
    }

    void everyClickAppendsTheSampleAgain()
    {
        form->PushButton9->click();
        form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath(), samplePath() }));
    }

    void theSampleIsListedEvenWhenItIsMissing()
    {
        QFile::remove(samplePath());
        form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath() }));
    }

    void doubleClickRemovesTheSelectedEntry()
    {
        form->fileList().appendEntries({ "/a.txt", "/b.txt", "/c.txt" });
        form->ListView1->selectRow(1);
        doubleClickList();
        QCOMPARE(entries(), QStringList({ "/a.txt", "/c.txt" }));
        QVERIFY(fixture->fake.messages.shown.isEmpty());
    }

    void doubleClickWithoutSelectionChangesNothing()
    {
        form->fileList().appendEntries({ "/a.txt", "/b.txt" });
        form->ListView1->clearSelection();
        form->ListView1_DblClick();
        QCOMPARE(entries(), QStringList({ "/a.txt", "/b.txt" }));
        QVERIFY(fixture->fake.messages.shown.isEmpty());
    }

    void clearListEmptiesTheFileListOnly()
    {
        form->fileList().appendEntries({ "/a.txt", "/a.txt" });
        form->PushButton8->click();
        QVERIFY(entries().isEmpty());
        form->PushButton8->click();
        QVERIFY(entries().isEmpty());
        QVERIFY(fixture->fake.messages.shown.isEmpty());
    }

private:
    QStringList entries() const { return form->fileList().entries(); }
    QString samplePath() const { return fixture->programPath(QStringLiteral("sample.txt")); }

    // A real double-click on the selected row, as the user gives it.
    void doubleClickList()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        const QPoint onSelected
            = form->ListView1->visualRect(form->ListView1->currentIndex()).center();
        QTest::mouseDClick(form->ListView1->viewport(), Qt::LeftButton, Qt::NoModifier, onSelected);
    }
};

QTEST_MAIN(TestFileListCommands)
#include "tst_file_list_commands.moc"
