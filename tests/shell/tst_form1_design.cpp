// The window as designed, before anything of the start-up sequence has run.
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

class TestForm1Design : public QObject
{
    Q_OBJECT

private slots:
    void placesEveryControl_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("pixels"); // at 96 dpi: twips / 15, rounded
        const auto row = [](const char* name, const char* container, QRect pixels) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                                << pixels;
        };
        row("ListView1", "Form1", { 8, 8, 424, 121 });
        row("PushButton1", "Form1", { 8, 135, 209, 27 });
        row("PushButton3", "Form1", { 224, 135, 208, 27 });
        row("PushButton8", "Form1", { 8, 168, 209, 27 });
        row("PushButton9", "Form1", { 224, 168, 208, 27 });
        row("Frame1", "Form1", { 8, 198, 424, 153 });
        row("Option3", "Frame1", { 16, 20, 369, 17 });
        row("Option1", "Frame1", { 16, 43, 369, 17 });
        row("Text1", "Frame1", { 32, 63, 358, 25 });
        row("Option2", "Frame1", { 16, 96, 402, 17 });
        row("Text2", "Frame1", { 32, 116, 358, 25 });
        row("Frame2", "Form1", { 8, 357, 424, 47 });
        row("Check6", "Frame2", { 16, 20, 97, 17 });
        row("PushButton2", "Form1", { 8, 413, 424, 27 });
        row("ListView2", "Form1", { 8, 447, 424, 121 });
        row("PushButton6", "Form1", { 8, 574, 424, 27 });
        row("PushButton7", "Form1", { 8, 608, 424, 27 });
        row("PushButton4", "Form1", { 8, 642, 304, 27 });
        row("PushButton5", "Form1", { 320, 642, 112, 27 });
    }
    void placesEveryControl()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, pixels);
        FormFixture fixture;
        Form1& form = fixture.create(false);
        auto* control = form.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), pixels);
    }

    void scalesWithTheScreensLogicalDpi()
    {
        FormFixture fixture;
        fixture.fake.screen.dpi = 144;
        Form1& form = fixture.create(false);
        QCOMPARE(form.size(), QSize(660, 1014));
        QCOMPARE(form.PushButton5->geometry(), QRect(480, 963, 168, 41));
        QCOMPARE(form.Text1->geometry(), QRect(48, 95, 537, 38));
    }

    void isAFixedSizeWindowWithMinimiseAndClose()
    {
        FormFixture fixture;
        Form1& form = fixture.create(false);
        QCOMPARE(form.size(), QSize(440, 676));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.windowTitle(), QStringLiteral("Form1"));
        const QList<QSize> iconSizes = form.windowIcon().availableSizes();
        QCOMPARE(iconSizes, QList<QSize>({ QSize(32, 32) }));
    }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("PushButton1") << "PushButton1"
                                     << "Add Text File(s)";
        QTest::newRow("PushButton3") << "PushButton3"
                                     << "Add All Text File(s) In Folder";
        QTest::newRow("PushButton8") << "PushButton8"
                                     << "Clear List";
        QTest::newRow("PushButton9") << "PushButton9"
                                     << "Load Sample File";
        QTest::newRow("Frame1") << "Frame1"
                                << "Options";
        QTest::newRow("Option3") << "Option3"
                                 << "Do not filter (get count for all lines)";
        QTest::newRow("Option1") << "Option1"
                                 << "Filter - Only look at lines containing this..";
        QTest::newRow("Option2") << "Option2"
                                 << "Filter - Only look at lines not containing this..";
        QTest::newRow("Frame2") << "Frame2"
                                << "Case Options";
        QTest::newRow("Check6") << "Check6"
                                << "Match case";
        QTest::newRow("PushButton2") << "PushButton2"
                                     << "Start Counting";
        QTest::newRow("PushButton6") << "PushButton6"
                                     << "Sort Results From Highest To Lowest";
        QTest::newRow("PushButton7") << "PushButton7"
                                     << "Sort Results From Lowest To Higest";
        QTest::newRow("PushButton4") << "PushButton4"
                                     << "Save Results As New Text File";
        QTest::newRow("PushButton5") << "PushButton5"
                                     << "Clear List";
    }
    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        FormFixture fixture;
        Form1& form = fixture.create(false);
        QWidget* control = form.findChild<QWidget*>(name);
        QVERIFY(control);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QCOMPARE(button->text(), caption);
        else
            QCOMPARE(qobject_cast<QGroupBox*>(control)->title(), caption);
    }

    void designState()
    {
        FormFixture fixture;
        Form1& form = fixture.create(false);
        QVERIFY(form.Option3->isChecked());
        QVERIFY(!form.Option1->isChecked());
        QVERIFY(!form.Option2->isChecked());
        QCOMPARE(form.Check6->checkState(), Qt::Unchecked);
        QVERIFY(form.Text1->text().isEmpty());
        QVERIFY(form.Text2->text().isEmpty());
        // The text boxes take filter texts of any length.
        QCOMPARE(form.Text1->maxLength(), std::numeric_limits<int>::max());
    }

    void fonts()
    {
        FormFixture fixture;
        Form1& form = fixture.create(false);
        for (QPushButton* button : form.findChildren<QPushButton*>()) {
            QCOMPARE(button->font().family(), QStringLiteral("Arial"));
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
        }
        for (QWidget* control : std::initializer_list<QWidget*> {
                 form.Frame1, form.Frame2, form.Option1, form.Option2, form.Option3, form.Check6,
                 form.Text1, form.Text2, form.ListView1, form.ListView2 }) {
            QCOMPARE(control->font().family(), QStringLiteral("Arial"));
            QCOMPARE(control->font().pointSizeF(), 9.0);
            QVERIFY(control->font().bold());
        }
        QCOMPARE(form.findChildren<QPushButton*>().size(), 9);
    }

    void everythingIsWhiteWithoutTheTheme()
    {
        FormFixture fixture(FormFixture::SampleFile);
        Form1& form = fixture.create(true);
        for (QWidget* widget :
             std::initializer_list<QWidget*> { &form, form.Frame1, form.Frame2, form.Option1,
                                               form.Option2, form.Option3, form.Check6 })
            QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
        for (QPushButton* button : form.findChildren<QPushButton*>())
            QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
        QVERIFY(form.styleSheet().isEmpty());
    }

    void tabOrderFollowsTheTabIndices()
    {
        FormFixture fixture;
        Form1& form = fixture.create(false);
        QStringList chain;
        QWidget* widget = form.ListView1;
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != form.ListView1);
        QCOMPARE(chain,
                 QStringList({ "ListView1", "PushButton1", "PushButton3", "PushButton2", "Option1",
                               "Text1", "Option2", "Text2", "ListView2", "PushButton4",
                               "PushButton5", "PushButton6", "PushButton7", "Check6", "Option3",
                               "PushButton8", "PushButton9" }));
    }

    void tabStartsOnTheFileListAndGoesToTheButtonsBesideIt()
    {
        FormFixture fixture;
        Form1& form = fixture.create(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.ListView1);
        const QList<QWidget*> expected { form.PushButton1, form.PushButton3, form.PushButton2 };
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void toolTipsOnTheLists()
    {
        FormFixture fixture;
        Form1& form = fixture.create(false);
        QCOMPARE(form.ListView1->toolTip(),
                 QStringLiteral("Drag and drop files here. Double-click item to remove it. Move "
                                "bar to right and out of window to reveal full names."));
        QCOMPARE(form.ListView2->toolTip(),
                 QStringLiteral("Move bar to right and out of window to reveal full names."));
    }
};

QTEST_MAIN(TestForm1Design)
#include "tst_form1_design.moc"
