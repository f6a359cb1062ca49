// The start-up sequence: what Form_Load does to the designed window.
#include "form_fixture.h"
#include "shell/display_presence.h"
#include "shell/list_view.h"
#include "shell/product_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

using StoredValues = QMap<QString, QString>; // key -> stored text; absent keys are not stored
using Environment = QMap<QString, QString>;

QString selectedOption(const Form1& form)
{
    QStringList selected;
    for (const QRadioButton* option : { form.Option1, form.Option2, form.Option3 })
        if (option->isChecked())
            selected << option->objectName();
    return selected.join(QLatin1Char(','));
}

} // namespace

class TestForm1Startup : public QObject
{
    Q_OBJECT

private slots:
    void restoresTheFilterChoice_data()
    {
        QTest::addColumn<StoredValues>("stored");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<StoredValues>("storedAfter");
        QTest::addColumn<int>("writes");

        const StoredValues option1Only { { "Option1", "True" },
                                         { "Option2", "False" },
                                         { "Option3", "False" } };
        QTest::newRow("first_run") << StoredValues() << "Option3" << StoredValues() << 0;
        QTest::newRow("option1_true") << option1Only << "Option1" << option1Only << 3;
        QTest::newRow("all_false_selects_none") << StoredValues { { "Option1", "False" },
                                                                  { "Option2", "False" },
                                                                  { "Option3", "False" } }
                                                << ""
                                                << StoredValues { { "Option1", "False" },
                                                                  { "Option2", "False" },
                                                                  { "Option3", "False" } }
                                                << 0;
        QTest::newRow("first_true_of_two_wins")
            << StoredValues { { "Option1", "True" }, { "Option2", "False" }, { "Option3", "True" } }
            << "Option1" << option1Only << 3;
        QTest::newRow("option2_true_clears_design_choice")
            << StoredValues { { "Option1", "False" }, { "Option2", "True" }, { "Option3", "True" } }
            << "Option2"
            << StoredValues { { "Option1", "False" },
                              { "Option2", "True" },
                              { "Option3", "False" } }
            << 3;
        QTest::newRow("small_and_capital_letters") << StoredValues { { "Option1", "false" },
                                                                     { "Option2", "TRUE" },
                                                                     { "Option3", "false" } }
                                                   << "Option2"
                                                   << StoredValues { { "Option1", "False" },
                                                                     { "Option2", "True" },
                                                                     { "Option3", "False" } }
                                                   << 3;
        QTest::newRow("numbers") << StoredValues { { "Option1", "0" }, { "Option2", "-1" } }
                                 << "Option2"
                                 << StoredValues { { "Option1", "False" },
                                                   { "Option2", "True" },
                                                   { "Option3", "False" } }
                                 << 3;
        QTest::newRow("only_option3_stored_false") << StoredValues { { "Option3", "False" } } << ""
                                                   << StoredValues { { "Option3", "False" } } << 0;
        QTest::newRow("unreadable_value_counts_as_default")
            << StoredValues { { "Option1", "maybe" }, { "Option3", "garbage" } } << "Option3"
            << StoredValues { { "Option1", "maybe" }, { "Option3", "garbage" } } << 0;
    }
    void restoresTheFilterChoice()
    {
        QFETCH(StoredValues, stored);
        QFETCH(QString, selected);
        QFETCH(StoredValues, storedAfter);
        QFETCH(int, writes);
        FormFixture fixture;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            fixture.fake.settings.values.insert(QStringLiteral("Velmora/") + it.key(), it.value());

        Form1& form = fixture.create();

        QCOMPARE(selectedOption(form), selected);
        StoredValues after;
        for (auto it = fixture.fake.settings.values.cbegin();
             it != fixture.fake.settings.values.cend(); ++it)
            after.insert(it.key().section(QLatin1Char('/'), 1), it.value());
        QCOMPARE(after, storedAfter);
        QCOMPARE(fixture.fake.settings.writes.size(), writes);
    }

    void selectingAnOptionWritesAllThree()
    {
        FormFixture fixture;
        Form1& form = fixture.create();
        form.Option2->click();
        QCOMPARE(fixture.fake.settings.writes,
                 QStringList(
                     { "Velmora/Option1=False", "Velmora/Option2=True", "Velmora/Option3=False" }));
    }

    void setsTheCaption()
    {
        FormFixture fixture;
        QCOMPARE(fixture.create().windowTitle(), QStringLiteral("Velmora"));
    }

    void createsTheListColumns()
    {
        FormFixture fixture;
        Form1& form = fixture.create();
        QAbstractItemModel* files = form.ListView1->model();
        QCOMPARE(files->columnCount(), 1);
        QCOMPARE(files->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Text File(s)"));
        QCOMPARE(form.ListView1->columnWidth(0), 400);

        QAbstractItemModel* results = form.ListView2->model();
        QCOMPARE(results->columnCount(), 3);
        QCOMPARE(results->headerData(0, Qt::Horizontal).toString(), QStringLiteral("#"));
        QCOMPARE(results->headerData(1, Qt::Horizontal).toString(), QString());
        QCOMPARE(results->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Line"));
        // 500, 1 and 5500 twips: the key column is practically invisible.
        QCOMPARE(form.ListView2->columnWidth(0), 33);
        QCOMPARE(form.ListView2->columnWidth(1), 0);
        QCOMPARE(form.ListView2->columnWidth(2), 367);
        QCOMPARE(
            results->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignLeft | Qt::AlignVCenter);
    }

    void centresTheWindowOnTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("full_hd") << QSize(1920, 1080) << QPoint(740, 202);
        QTest::newRow("smaller_than_window") << QSize(400, 600) << QPoint(-20, -38);
    }
    void centresTheWindowOnTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QPoint, position);
        FormFixture fixture;
        fixture.fake.screen.size = screen;
        QCOMPARE(fixture.create().pos(), position);
    }

    void loadsTheHandCursorWhenItIsBesideTheProgram()
    {
        FormFixture with(FormFixture::HandCursor);
        with.create();
        QCOMPARE(with.fake.pointer.loadedImages,
                 QStringList({ with.programPath(QStringLiteral("HAND-M.CUR")) }));
        QVERIFY(with.fake.pointer.history.isEmpty());

        FormFixture without(FormFixture::SampleFile);
        without.create();
        QVERIFY(without.fake.pointer.loadedImages.isEmpty());
    }

    void appliesTheThemeWhenItIsBesideTheProgram()
    {
        FormFixture fixture(FormFixture::Theme);
        Form1& form = fixture.create();
        const QColor buttonFace = QPalette().color(QPalette::Button);
        for (QWidget* widget :
             std::initializer_list<QWidget*> { &form, form.Frame1, form.Frame2, form.Option1,
                                               form.Option2, form.Option3, form.Check6 })
            QCOMPARE(widget->palette().color(QPalette::Window), buttonFace);
        QVERIFY(form.styleSheet().contains(QStringLiteral("QPushButton")));
    }

    void aThemeFolderInPlaceOfTheFileIsNoTheme()
    {
        FormFixture fixture(FormFixture::SampleFile);
        QDir(fixture.programFolder.path()).mkpath(QStringLiteral("x/o.cjs"));
        Form1& form = fixture.create();
        QVERIFY(!form.styleSheet().contains(QStringLiteral("QPushButton")));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    }

    void rollsForTheProductPageOnce_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<bool>("opens");
        QTest::newRow("lowest_is_1") << 0.0 << false;
        QTest::newRow("just_below_7") << 0.0599 << false;
        QTest::newRow("7_opens") << 0.06 << true;
        QTest::newRow("top_of_7") << 0.0699 << true;
        QTest::newRow("8") << 0.07 << false;
        QTest::newRow("100") << 0.9999 << false;
    }
    void rollsForTheProductPageOnce()
    {
        QFETCH(double, draw);
        QFETCH(bool, opens);
        FormFixture fixture;
        fixture.fake.random.values = { draw };
        fixture.create();
        QCOMPARE(fixture.fake.random.draws, 1);
        QCOMPARE(fixture.fake.shell.openedPages.size(), opens ? 1 : 0);
        if (opens)
            QCOMPARE(fixture.fake.shell.openedPages.first(), productPageAddress());
        QVERIFY(fixture.fake.shell.openedDocuments.isEmpty());
    }
    // Before the window exists: whether to start Qt at all or say that there is no display.
    void decidesWhetherTheWindowCanAppear_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Environment>("environment");
        QTest::addColumn<bool>("canAppear");

        const Environment x11 { { "DISPLAY", ":0" } };
        const Environment nothing;
        QTest::newRow("no_display") << QStringList() << nothing << false;
        QTest::newRow("empty_display")
            << QStringList() << Environment { { "DISPLAY", "" } } << false;
        QTest::newRow("x11") << QStringList() << x11 << true;
        QTest::newRow("wayland") << QStringList()
                                 << Environment { { "WAYLAND_DISPLAY", "wayland-0" } } << true;
        QTest::newRow("offscreen_by_environment")
            << QStringList() << Environment { { "QT_QPA_PLATFORM", "offscreen" } } << true;
        QTest::newRow("offscreen_by_argument")
            << QStringList { "-platform", "offscreen" } << nothing << true;
        QTest::newRow("double_dash_argument")
            << QStringList { "--platform", "minimal" } << nothing << true;
        QTest::newRow("argument_overrides_environment")
            << QStringList { "-platform", "xcb" }
            << Environment { { "QT_QPA_PLATFORM", "offscreen" } } << false;
        QTest::newRow("xcb_without_display")
            << QStringList() << Environment { { "QT_QPA_PLATFORM", "xcb" } } << false;
        QTest::newRow("xcb_with_options_and_display")
            << QStringList()
            << Environment { { "QT_QPA_PLATFORM", "xcb:nodri" }, { "DISPLAY", ":1" } } << true;
        QTest::newRow("wayland_needs_its_own_display")
            << QStringList()
            << Environment { { "QT_QPA_PLATFORM", "wayland-egl" }, { "DISPLAY", ":1" } } << false;
        QTest::newRow("fallback_list_with_a_usable_platform")
            << QStringList()
            << Environment { { "QT_QPA_PLATFORM", "wayland;xcb" }, { "DISPLAY", ":1" } } << true;
        QTest::newRow("platform_without_a_value")
            << QStringList { "-platform" } << nothing << false;
        QTest::newRow("files_only") << QStringList { "notes.txt", "offscreen" } << nothing << false;
    }
    void decidesWhetherTheWindowCanAppear()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Environment, environment);
        QFETCH(bool, canAppear);
        QProcessEnvironment processEnvironment;
        for (auto variable = environment.cbegin(); variable != environment.cend(); ++variable)
            processEnvironment.insert(variable.key(), variable.value());
        arguments.prepend("velmora");
        QCOMPARE(windowCanAppear(arguments, processEnvironment), canAppear);
    }
};

QTEST_MAIN(TestForm1Startup)
#include "tst_form1_startup.moc"
