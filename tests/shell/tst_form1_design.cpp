// The window as designed, before anything of the start-up sequence has run.
#include "counting/rows/result_store.h"
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

QRect inForm(const Form1& form, const QWidget* control, const QRect& local)
{
    return local.translated(control->mapTo(&form, QPoint(0, 0)));
}

/// Where a frame draws its line, and its caption, in the frame's own coordinates.
QRect frameSubControl(QGroupBox* frame, QStyle::SubControl part)
{
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.lineWidth = 1;
    option.textAlignment = frame->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return frame->style()->subControlRect(QStyle::CC_GroupBox, &option, part, frame);
}

/// The pixels of the form that show its background, its frames' or its options' and check
/// box's: everything but the other controls, the frames' lines and captions, and the options'
/// indicators and captions.
QRegion backgroundOf(Form1& form)
{
    QRegion background(form.rect());
    for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        background -= control->geometry();
    for (QGroupBox* frame : { form.Frame1, form.Frame2 }) {
        QRegion inside(frame->geometry());
        const QRect line = inForm(form, frame, frameSubControl(frame, QStyle::SC_GroupBoxFrame));
        // The line, smoothed edges included, and its rounded corners if the look has them.
        inside -= QRegion(line.adjusted(-1, -1, 1, 1)) - QRegion(line.adjusted(2, 2, -2, -2));
        for (const QPoint& corner :
             { line.topLeft(), line.topRight() - QPoint(5, 0), line.bottomLeft() - QPoint(0, 5),
               line.bottomRight() - QPoint(5, 5) })
            inside -= QRect(corner, QSize(6, 6));
        // The caption's letters may reach past its box by a few pixels.
        inside -= inForm(form, frame,
                         frameSubControl(frame, QStyle::SC_GroupBoxLabel).adjusted(-4, -1, 4, 1));
        for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            inside -= inForm(form, frame, control->geometry());
        background += inside;
    }
    for (QAbstractButton* row : std::initializer_list<QAbstractButton*> {
             form.Option1, form.Option2, form.Option3, form.Check6 }) {
        const bool isOption = qobject_cast<QRadioButton*>(row) != nullptr;
        QStyleOptionButton option;
        option.initFrom(row);
        option.text = row->text();
        QStyle* style = row->style();
        const QRect indicator = style->subElementRect(isOption ? QStyle::SE_RadioButtonIndicator
                                                               : QStyle::SE_CheckBoxIndicator,
                                                      &option, row);
        const QRect contents = style->subElementRect(
            isOption ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, row);
        const QRect caption = style->itemTextRect(
            row->fontMetrics(), contents, Qt::AlignLeft | Qt::AlignVCenter, true, row->text());
        QRegion fill(row->rect());
        fill -= indicator;
        fill -= caption.adjusted(-1, -1, 1, 1);
        background += fill.translated(row->mapTo(&form, QPoint(0, 0)));
    }
    return background;
}

/// Grabs the form and names the first background pixel that is not `colour`, if any.
QString firstStrayPixel(Form1& form, const QColor& colour)
{
    const QImage image = form.grab().toImage();
    if (image.size() != form.size())
        return QStringLiteral("grabbed %1 x %2").arg(image.width()).arg(image.height());
    for (const QRect& rect : backgroundOf(form)) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor found = image.pixelColor(x, y);
                if (found.rgb() != colour.rgb()) {
                    QWidget* under = form.childAt(x, y);
                    return QStringLiteral("%1 at %2,%3 over %4")
                        .arg(found.name())
                        .arg(x)
                        .arg(y)
                        .arg(under ? under->objectName() : QStringLiteral("Form1"));
                }
            }
        }
    }
    return {};
}

QString accessibleText(QObject* control, QAccessible::Text text)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(text) : QStringLiteral("<not accessible>");
}

} // namespace

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
    }

    // Each option is a stop of its own, selected or not, and stays one after it had the focus.
    void tabVisitsEveryControlInTabIndexOrder_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::newRow("design_choice") << "Option3";
        QTest::newRow("containing") << "Option1";
        QTest::newRow("not_containing") << "Option2";
    }
    void tabVisitsEveryControlInTabIndexOrder()
    {
        QFETCH(QString, selected);
        FormFixture fixture;
        Form1& form = fixture.create(true);
        form.findChild<QRadioButton*>(selected)->click();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QStringList order { "ListView1",   "PushButton1", "PushButton3", "PushButton2",
                                  "Option1",     "Text1",       "Option2",     "Text2",
                                  "ListView2",   "PushButton4", "PushButton5", "PushButton6",
                                  "PushButton7", "Check6",      "Option3",     "PushButton8",
                                  "PushButton9" };
        form.ListView1->setFocus(Qt::OtherFocusReason);
        for (int round = 0; round < 2; ++round) {
            QStringList visited;
            for (qsizetype i = 0; i < order.size(); ++i) {
                visited << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(visited, order);
        }
        QStringList backwards;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            backwards.prepend(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(backwards, order);
        QVERIFY(form.findChild<QRadioButton*>(selected)->isChecked());
    }

    // Inside the group the arrow keys go to the option above or below and select it.
    void arrowKeysMoveThroughTheOptions_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        QTest::newRow("down_from_the_top") << "Option3" << int(Qt::Key_Down) << "Option1";
        QTest::newRow("down_to_the_bottom") << "Option1" << int(Qt::Key_Down) << "Option2";
        QTest::newRow("up_from_the_bottom") << "Option2" << int(Qt::Key_Up) << "Option1";
        QTest::newRow("up_to_the_top") << "Option1" << int(Qt::Key_Up) << "Option3";
    }
    void arrowKeysMoveThroughTheOptions()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        FormFixture fixture;
        Form1& form = fixture.create(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* start = form.findChild<QRadioButton*>(from);
        auto* target = form.findChild<QRadioButton*>(to);
        start->click();
        start->setFocus(Qt::TabFocusReason);
        fixture.fake.settings.writes.clear();

        QTest::keyClick(start, Qt::Key(key));

        QCOMPARE(QApplication::focusWidget(), target);
        QVERIFY(target->isChecked());
        QVERIFY(!start->isChecked());
        QCOMPARE(fixture.fake.settings.values.value("Velmora/" + to), QStringLiteral("True"));
        QCOMPARE(fixture.fake.settings.values.value("Velmora/" + from), QStringLiteral("False"));
        // Each option still takes the focus from Tab afterwards.
        for (QRadioButton* option : { form.Option1, form.Option2, form.Option3 })
            QVERIFY(option->focusPolicy() & Qt::TabFocus);
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

    // What a screen reader says for each control: buttons, options and frames by their
    // captions, the text boxes by their options, the lists by their headers.
    void accessibleNames_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const auto row = [](const char* control, const char* name) {
            QTest::newRow(control) << QString::fromLatin1(control) << QString::fromUtf8(name);
        };
        row("ListView1", "Text File(s)");
        row("PushButton1", "Add Text File(s)");
        row("PushButton3", "Add All Text File(s) In Folder");
        row("PushButton8", "Clear List");
        row("PushButton9", "Load Sample File");
        row("Frame1", "Options");
        row("Option3", "Do not filter (get count for all lines)");
        row("Option1", "Filter - Only look at lines containing this..");
        row("Text1", "Filter - Only look at lines containing this..");
        row("Option2", "Filter - Only look at lines not containing this..");
        row("Text2", "Filter - Only look at lines not containing this..");
        row("Frame2", "Case Options");
        row("Check6", "Match case");
        row("PushButton2", "Start Counting");
        row("ListView2", "#, Line");
        row("PushButton6", "Sort Results From Highest To Lowest");
        row("PushButton7", "Sort Results From Lowest To Higest");
        row("PushButton4", "Save Results As New Text File");
        row("PushButton5", "Clear List");
    }
    void accessibleNames()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        FormFixture fixture;
        Form1& form = fixture.create(true);
        QCOMPARE(accessibleText(form.findChild<QWidget*>(control), QAccessible::Name), name);
    }

    // Where two controls share a name (the two "Clear List" buttons, an option and its text
    // box), their roles or descriptions tell them apart.
    void everyControlCanBeToldApart()
    {
        FormFixture fixture;
        Form1& form = fixture.create(true);
        QMap<QString, QString> seen;
        for (QWidget* control : form.findChildren<QWidget*>()) {
            // The controls of the design, not the parts Qt builds them from.
            if (!control->objectName().contains(QRegularExpression(QStringLiteral("^[A-Z].*\\d$"))))
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            const QString name = accessible->text(QAccessible::Name);
            const QString description = accessible->text(QAccessible::Description);
            QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(!description.isEmpty(), qPrintable(control->objectName()));
            const QString heard
                = QString::number(int(accessible->role())) + '|' + name + '|' + description;
            QVERIFY2(!seen.contains(heard),
                     qPrintable(control->objectName() + " sounds like " + seen.value(heard)));
            seen.insert(heard, control->objectName());
        }
        QCOMPARE(seen.size(), 19);
    }

    // The sort key is for ordering only: a reader goes over a row as its count and its line.
    void resultRowsReadAsCountAndLine()
    {
        FormFixture fixture;
        Form1& form = fixture.create(true);
        ResultStore store;
        store.addRow("first line", CharacterCount(10), LineNumber(1));
        store.addRow("€ sign", CharacterCount(6), LineNumber(2));
        form.results().setStore(std::move(store));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form.ListView2);
        QVERIFY(list && list->tableInterface());
        QList<QStringList> rows(list->tableInterface()->rowCount());
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* cell = list->child(i);
            if (cell->role() != QAccessible::Cell || cell->state().invisible)
                continue;
            rows[cell->tableCellInterface()->rowIndex()] << cell->text(QAccessible::Name);
        }
        QCOMPARE(rows, QList<QStringList>({ { "10", "first line" }, { "6", "€ sign" } }));
    }

    // Without the theme the whole window is white; with it, the system's button face: the
    // window, the frames, the option rows and the check box row, to the last pixel.
    void backgroundsArePaintedEdgeToEdge_data()
    {
        QTest::addColumn<int>("programFiles");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("without_theme") << int(FormFixture::SampleFile) << QColor(Qt::white);
        QTest::newRow("with_theme")
            << int(FormFixture::Theme) << QPalette().color(QPalette::Button);
    }
    void backgroundsArePaintedEdgeToEdge()
    {
        QFETCH(int, programFiles);
        QFETCH(QColor, colour);
        FormFixture fixture(programFiles);
        Form1& form = fixture.create(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(firstStrayPixel(form, colour), QString());
        // The pixels looked at cover the option rows, not only what lies between them.
        const QRegion looked = backgroundOf(form);
        const QRect optionRow = inForm(form, form.Frame1, form.Option3->geometry());
        QVERIFY(looked.intersects(QRect(optionRow.right() - 2, optionRow.center().y(), 1, 1)));
    }

    void captionsSitAlikeInBothLooks()
    {
        FormFixture plain(FormFixture::SampleFile);
        FormFixture themed(FormFixture::Theme);
        Form1& plainForm = plain.create(true);
        Form1& themedForm = themed.create(true);
        QVERIFY(!plainForm.styleSheet().contains(QStringLiteral("QPushButton")));
        QVERIFY(themedForm.styleSheet().contains(QStringLiteral("QPushButton")));
        for (const char* name : { "Frame1", "Frame2" }) {
            auto* plainFrame = plainForm.findChild<QGroupBox*>(name);
            auto* themedFrame = themedForm.findChild<QGroupBox*>(name);
            const QRect caption = frameSubControl(plainFrame, QStyle::SC_GroupBoxLabel);
            const QRect line = frameSubControl(plainFrame, QStyle::SC_GroupBoxFrame);
            QCOMPARE(frameSubControl(themedFrame, QStyle::SC_GroupBoxLabel), caption);
            QCOMPARE(frameSubControl(themedFrame, QStyle::SC_GroupBoxFrame), line);
            // On the top line, near its left end.
            QVERIFY(caption.top() < line.top() && line.top() < caption.bottom());
            QVERIFY(caption.left() > line.left() && caption.left() < line.left() + 16);
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
