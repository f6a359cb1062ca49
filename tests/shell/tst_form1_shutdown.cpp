// Closing the window ends the program, whatever runs at that moment. The close request is the
// one the window system delivers for the close button, so it meets Qt's refusal of a request
// for a window that a modal one blocks; QWidget::close() would slip past that refusal.
#include "counting/rows/result_store.h"
#include "form_fixture.h"
#include "platform/qt/qt_progress_display.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace velmora;
using namespace velmora::testing;

namespace {

enum class Operation { CountOfAnUnwrittenFifo, SaveIntoAnUnreadFifo, FolderAdd, FolderDrop };
/// Which window the request is for, and when it comes.
enum class CloseRequest { MainWindowAtOnce, MainWindowUnderProgress, ProgressWindow };

void requestClose(QWidget* window)
{
    QWindowSystemInterface::handleCloseEvent(window->windowHandle());
    QWindowSystemInterface::flushWindowSystemEvents();
}

/// Opens the other end of `fifo`, which lets a job blocked in its open go on; closed with the
/// object.
class FifoPartner
{
public:
    explicit FifoPartner(const QString& fifo)
        : m_fifo(QFile::encodeName(fifo))
    { }
    ~FifoPartner() { release(); }
    Q_DISABLE_COPY_MOVE(FifoPartner)

    // Read and write, so that the open neither waits for nor needs the job's end.
    void arrive()
    {
        if (m_descriptor < 0)
            m_descriptor = ::open(m_fifo.constData(), O_RDWR);
    }
    /// A reader of the FIFO then sees its end.
    void release()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = -1;
    }

private:
    QByteArray m_fifo;
    int m_descriptor = -1;
};

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(CloseRequest)

class TestForm1Shutdown : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fixture = std::make_unique<FormFixture>();
        platform = std::make_unique<Platform>(fixture->fake.withProgress(progress));
        form = &fixture->create(*platform);
        owner.set(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }

    void cleanup()
    {
        fixture.reset();
        platform.reset();
    }

    void aCloseRequestEndsTheProgramWhileAJobWaits_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<CloseRequest>("request");
        const std::pair<const char*, Operation> operations[] {
            { "count_of_an_unwritten_fifo", Operation::CountOfAnUnwrittenFifo },
            { "save_into_an_unread_fifo", Operation::SaveIntoAnUnreadFifo },
        };
        for (const auto& [name, operation] : operations) {
            QTest::addRow("main_window_at_once_%s", name)
                << operation << CloseRequest::MainWindowAtOnce;
            QTest::addRow("main_window_under_the_progress_window_%s", name)
                << operation << CloseRequest::MainWindowUnderProgress;
            QTest::addRow("progress_window_%s", name) << operation << CloseRequest::ProgressWindow;
        }
    }
    void aCloseRequestEndsTheProgramWhileAJobWaits()
    {
        QFETCH(Operation, operation);
        QFETCH(CloseRequest, request);
        const QString fifo = fixture->programPath("nobody at the other end");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        FifoPartner partner(fifo);
        // The real end never returns; this one plays the partner that never came, so that
        // the job can finish and the test go on.
        fixture->fake.programEnd.onEnd = [&] { partner.arrive(); };

        // Past the first moments the progress window is up, and the request meets it.
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, form, [&] {
            auto* dialog = form->findChild<QProgressDialog*>();
            const bool dialogShown = dialog && dialog->isVisible();
            if (request != CloseRequest::MainWindowAtOnce && !dialogShown)
                return;
            closer.stop();
            requestClose(request == CloseRequest::ProgressWindow ? static_cast<QWidget*>(dialog)
                                                                 : form);
            // Refused: the job would wait for ever, so the partner comes and the checks
            // below fail instead.
            if (form->isVisible()) {
                partner.arrive();
                if (operation == Operation::CountOfAnUnwrittenFifo)
                    partner.release();
            }
        });
        closer.start();

        if (operation == Operation::CountOfAnUnwrittenFifo) {
            form->fileList().appendEntry(fifo);
            form->PushButton2->click();
        } else {
            showOneResult();
            fixture->fake.messages.answers = { MessageAnswer::Yes };
            fixture->fake.fileDialogs.saveResults = { fifo };
            form->PushButton4->click();
        }

        QVERIFY2(!form->isVisible(), "the close request was refused");
        QCOMPARE(fixture->fake.programEnd.calls, 1);
        QVERIFY(!fixture->shownTexts().contains("Done."));
    }

    void aCloseRequestStopsAFolderWalk_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("add_all_text_files_in_folder") << Operation::FolderAdd;
        QTest::newRow("dropped_folder") << Operation::FolderDrop;
    }
    void aCloseRequestStopsAFolderWalk()
    {
        QFETCH(Operation, operation);
        const QStringList subFolders { "a", "b", "c", "d" };
        for (const QString& name : subFolders)
            fixture->writeFile("F/" + name + "/file.txt");
        int listedAtClose = -1;
        fixture->fake.events.atYield = [&](int call) {
            if (call != 1)
                return;
            listedAtClose = form->fileList().entryCount();
            requestClose(form);
        };

        if (operation == Operation::FolderAdd) {
            fixture->fake.input.answers = { "txt" };
            fixture->fake.folderPicker.results = { fixture->programPath("F") };
            form->PushButton3->click();
        } else {
            form->ListView1_OLEDragDrop({ fixture->programPath("F") });
        }

        QVERIFY2(!form->isVisible(), "the close request was refused");
        QVERIFY(listedAtClose >= 0 && listedAtClose < subFolders.size());
        QCOMPARE(form->fileList().entryCount(), listedAtClose);
    }

    void aCloseRequestWithNothingRunningIsNeverRefused()
    {
        showOneResult();
        const QStringList settingsWritten = fixture->fake.settings.writes;
        requestClose(form);
        QVERIFY(!form->isVisible());
        QVERIFY(fixture->fake.messages.shown.isEmpty());
        QCOMPARE(fixture->fake.settings.writes, settingsWritten);
    }

private:
    void showOneResult()
    {
        ResultStore store;
        store.addRow("a", CharacterCount(1), LineNumber(1));
        form->results().setStore(std::move(store));
    }

    OwnerWindow owner;
    QtProgressDisplay progress { owner };
    std::unique_ptr<FormFixture> fixture;
    std::unique_ptr<Platform> platform;
    Form1* form = nullptr;
};

QTEST_MAIN(TestForm1Shutdown)
#include "tst_form1_shutdown.moc"
