// The file list's own commands in the window: the sample file, double-click removal and
// "Clear List".
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAbstractItemModelTester>
#include <QPushButton>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

class TestFileListCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<FormFixture>();
        m_form = &m_fixture->create();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_form->ListView1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void sampleFileAnsweredNo()
    {
        m_fixture->fake.messages.answers = { MessageAnswer::No };
        m_form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath() }));
        QCOMPARE(m_fixture->fake.messages.shown.size(), 1);
        const ShownMessage& question = m_fixture->fake.messages.shown.first();
        QCOMPARE(question.text, QStringLiteral("Would you like to view the contents of this file?"));
        QCOMPARE(question.caption, QStringLiteral("Velmora"));
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.icon, MessageIcon::None);
        QVERIFY(m_fixture->fake.shell.openedDocuments.isEmpty());
    }

    void sampleFileAnsweredYesOpensIt()
    {
        m_fixture->fake.messages.answers = { MessageAnswer::Yes };
        m_form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath() }));
        QCOMPARE(m_fixture->fake.shell.openedDocuments, QStringList({ samplePath() }));
    }

    void everyClickAppendsTheSampleAgain()
    {
        m_form->PushButton9->click();
        m_form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath(), samplePath() }));
    }

    void theSampleIsListedEvenWhenItIsMissing()
    {
        QFile::remove(samplePath());
        m_form->PushButton9->click();
        QCOMPARE(entries(), QStringList({ samplePath() }));
    }

    void doubleClickRemovesTheSelectedEntry()
    {
        m_form->fileList().appendEntries({ "/a.txt", "/b.txt", "/c.txt" });
        m_form->ListView1->selectRow(1);
        doubleClickList();
        QCOMPARE(entries(), QStringList({ "/a.txt", "/c.txt" }));
        QVERIFY(m_fixture->fake.messages.shown.isEmpty());
    }

    void doubleClickWithoutSelectionChangesNothing()
    {
        m_form->fileList().appendEntries({ "/a.txt", "/b.txt" });
        m_form->ListView1->clearSelection();
        m_form->ListView1_DblClick();
        QCOMPARE(entries(), QStringList({ "/a.txt", "/b.txt" }));
        QVERIFY(m_fixture->fake.messages.shown.isEmpty());
    }

    void clearListEmptiesTheFileListOnly()
    {
        m_form->fileList().appendEntries({ "/a.txt", "/a.txt" });
        m_form->PushButton8->click();
        QVERIFY(entries().isEmpty());
        m_form->PushButton8->click();
        QVERIFY(entries().isEmpty());
        QVERIFY(m_fixture->fake.messages.shown.isEmpty());
    }

private:
    QStringList entries() const { return m_form->fileList().entries(); }
    QString samplePath() const { return m_fixture->programPath(QStringLiteral("sample.txt")); }

    // A real double-click on the selected row, as the user gives it.
    void doubleClickList()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        const QPoint onSelected
            = m_form->ListView1->visualRect(m_form->ListView1->currentIndex()).center();
        QTest::mouseDClick(m_form->ListView1->viewport(), Qt::LeftButton, Qt::NoModifier,
                           onSelected);
    }

    std::unique_ptr<FormFixture> m_fixture;
    Form1* m_form = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestFileListCommands)
#include "tst_file_list_commands.moc"
