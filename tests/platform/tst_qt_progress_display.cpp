// While a long operation shows its progress, the main window takes no input, so that no
// other command can start, and its controls do not follow the pointer, as under a modal
// window; afterwards it takes input again.
#include "platform/qt/qt_progress_display.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace velmora;

class TestQtProgressDisplay : public QObject
{
    Q_OBJECT

private slots:
    void theWindowTakesNoInputMeanwhile()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* button = new QPushButton(QStringLiteral("Start Counting"));
        auto* text = new QLineEdit;
        layout->addWidget(button);
        layout->addWidget(text);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        OwnerWindow owner;
        owner.set(&window);
        QtProgressDisplay progress(owner);
        QSignalSpy clicks(button, &QPushButton::clicked);

        progress.begin(QStringLiteral("Counting the lines of 1 file…"), 100);
        QTest::mouseClick(button, Qt::LeftButton);
        text->setFocus();
        QTest::keyClicks(text, QStringLiteral("abc"));
        QCOMPARE(clicks.size(), 0);
        QVERIFY(text->text().isEmpty());
        progress.advance(50);
        progress.end();

        QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClicks(text, QStringLiteral("abc"));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(text->text(), QStringLiteral("abc"));
    }

    void theControlsDoNotFollowThePointerMeanwhile()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* clicked = new QPushButton(QStringLiteral("Start Counting"));
        auto* other = new QPushButton(QStringLiteral("Clear List"));
        layout->addWidget(clicked);
        layout->addWidget(other);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        OwnerWindow owner;
        owner.set(&window);
        QtProgressDisplay progress(owner);
        QTest::mouseMove(clicked);
        QVERIFY(clicked->underMouse());

        progress.begin(QStringLiteral("Counting the lines of 1 file…"), 100);
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QProgressDialog*>()->isVisible(), 3000);
        QVERIFY(!clicked->underMouse());
        QTest::mouseMove(other);
        QVERIFY(!other->underMouse());
        progress.end();

        QTest::mouseMove(other, QPoint(5, 5));
        QVERIFY(other->underMouse());
    }

    void appearsOnlyForALongOperation()
    {
        QWidget window;
        window.show();
        OwnerWindow owner;
        owner.set(&window);
        QtProgressDisplay progress(owner);
        progress.begin(QStringLiteral("Saving the results…"), 10);
        const auto shown = [&] {
            auto* dialog = window.findChild<QProgressDialog*>();
            return dialog && dialog->isVisible() ? dialog : nullptr;
        };
        QVERIFY(!shown());
        QTRY_VERIFY_WITH_TIMEOUT(shown() != nullptr, 3000);
        QCOMPARE(shown()->windowTitle(), QStringLiteral("Velmora"));
        progress.end();
        QVERIFY(!shown());
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    TestQtProgressDisplay test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_qt_progress_display.moc"
