// Where each result row is and how rows leave the list: the columns "File" and "Line no."
// chosen from the header's menu, and the rows' menu (Copy, Copy Location, Show in Folder,
// Length Chart…) opened by the pointer and the keyboard, on real widgets. The clipboard and
// the file manager are the fake desktop shell.
#include "form_fixture.h"
#include "shell/length_chart/length_chart_window.h"
#include "shell/list_view.h"
#include "shell/results_list_menus.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

struct Location
{
    QString file; // as the fixture names it, relative to the program folder
    int line;
    QString text;

    bool operator==(const Location& other) const
    {
        return file == other.file && line == other.line && text == other.text;
    }
};

using Files = QList<QPair<QString, QByteArray>>;

} // namespace

Q_DECLARE_METATYPE(Location)

namespace QTest {
template<> char* toString(const Location& location)
{
    return qstrdup(qPrintable(
        QStringLiteral("%1:%2 %3").arg(location.file).arg(location.line).arg(location.text)));
}
} // namespace QTest

class TestResultsListMenus : public QObject, protected FormTest
{
    Q_OBJECT

private slots:
    void init()
    {
        startWindow(FormFixture::SampleFile, &FormTest::resultsOf);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    void cleanup()
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    void theLocationColumnsAreNotThereAtStart()
    {
        QCOMPARE(form->results().columnCount(), 3);
        QCOMPARE(form->ListView2->accessibleName(), QStringLiteral("#, Line"));
        QCOMPARE(checkedColumns(openColumnsMenu()),
                 QStringList({ "#", "Line", "[ ] File", "[ ] Line no." }));
    }

    void columnsAreShownAndHiddenFromTheHeaderMenu()
    {
        chooseColumn(QStringLiteral("Line no."));
        QCOMPARE(form->results().columnCount(), 5);
        QVERIFY(form->ListView2->isColumnHidden(ResultsModel::FileColumn));
        QVERIFY(!form->ListView2->isColumnHidden(ResultsModel::LineNumberColumn));
        QVERIFY(form->ListView2->columnWidth(ResultsModel::LineNumberColumn) > 0);
        QCOMPARE(form->ListView2->accessibleName(), QStringLiteral("#, Line, Line no."));

        chooseColumn(QStringLiteral("File"));
        QVERIFY(!form->ListView2->isColumnHidden(ResultsModel::FileColumn));
        QCOMPARE(checkedColumns(openColumnsMenu()),
                 QStringList({ "#", "Line", "File", "Line no." }));
        closePopup();

        chooseColumn(QStringLiteral("#"));
        chooseColumn(QStringLiteral("Line no."));
        QVERIFY(form->ListView2->isColumnHidden(ResultsModel::CountColumn));
        QVERIFY(form->ListView2->isColumnHidden(ResultsModel::LineNumberColumn));
        QCOMPARE(form->ListView2->accessibleName(), QStringLiteral("Line, File"));
        // The sort key's column stays out of sight and out of the menu.
        QVERIFY(form->ListView2->isColumnHidden(ResultsModel::SortKeyColumn));

        chooseColumn(QStringLiteral("Line"));
        QMenu& last = openColumnsMenu();
        QCOMPARE(checkedColumns(last),
                 QStringList({ "[ ] #", "[ ] Line", "File", "[ ] Line no." }));
        QVERIFY2(!actionNamed(last, QStringLiteral("File"))->isEnabled(),
                 "the last column shown cannot be hidden");
    }

    void theColumnsStayChosenForANewCount()
    {
        chooseColumn(QStringLiteral("File"));
        form->fileList().appendEntry(fixture->writeFile("a.txt", "one\ntwo\n"));
        form->PushButton2->click();
        QVERIFY(!form->ListView2->isColumnHidden(ResultsModel::FileColumn));
        QVERIFY(form->ListView2->isColumnHidden(ResultsModel::LineNumberColumn));
        QCOMPARE(form->ListView2->model()->index(1, ResultsModel::FileColumn).data().toString(),
                 path("a.txt"));
    }

    void locationsOfEachRow_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("containing");
        QTest::addColumn<QList<Location>>("rows");
        using Rows = QList<Location>;
        QTest::newRow("two_files")
            << Files { { "one.txt", "a\nbb\n" }, { "two.txt", "ccc\n" } } << QString()
            << Rows { { "one.txt", 1, "a" }, { "one.txt", 2, "bb" }, { "two.txt", 1, "ccc" } };
        QTest::newRow("empty_lines_are_numbered")
            << Files { { "gaps.txt", "\n\nthird\r\n\r\nfifth\n\n" } } << QString()
            << Rows { { "gaps.txt", 3, "third" }, { "gaps.txt", 5, "fifth" } };
        QTest::newRow("filtered_lines_keep_their_numbers")
            << Files { { "f.txt", "skip\nkeep 2\nskip\nskip\nkeep 5" }, { "g.txt", "keep 1\n" } }
            << QStringLiteral("keep")
            << Rows { { "f.txt", 2, "keep 2" },
                      { "f.txt", 5, "keep 5" },
                      { "g.txt", 1, "keep 1" } };
        QTest::newRow("utf16le_with_bom")
            << Files { { "wide.txt",
                         QByteArray("\xFF\xFE"
                                    "a\0\n\0\n\0b\0\xE9\0\r\0\n\0",
                                    16) } }
            << QString()
            << Rows { { "wide.txt", 1, "a" }, { "wide.txt", 3, QStringLiteral("b\u00E9") } };
        QTest::newRow("a_file_without_rows_between")
            << Files { { "x.txt", "x\n" }, { "blank.txt", "\n\n\n" }, { "y.txt", "\ny\n" } }
            << QString() << Rows { { "x.txt", 1, "x" }, { "y.txt", 2, "y" } };
        QTest::newRow("the_same_file_twice")
            << Files { { "same.txt", "s\n" }, { "same.txt", "s\n" } } << QString()
            << Rows { { "same.txt", 1, "s" }, { "same.txt", 1, "s" } };
    }
    void locationsOfEachRow()
    {
        QFETCH(Files, files);
        QFETCH(QString, containing);
        QFETCH(QList<Location>, rows);
        for (const auto& [name, bytes] : files)
            form->fileList().appendEntry(fixture->writeFile(name, bytes));
        if (!containing.isEmpty()) {
            form->Option1->setChecked(true);
            form->Text1->setText(containing);
        }
        form->PushButton2->click();
        chooseColumn(QStringLiteral("File"));
        chooseColumn(QStringLiteral("Line no."));

        QCOMPARE(shownLocations(), rows);
    }

    void sortingKeepsTheLocationsWithTheirRows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<Location>>("rows");
        QTest::newRow("highest_first") << "PushButton6"
                                       << QList<Location> { { "b.txt", 2, "longest" },
                                                            { "a.txt", 3, "mid" },
                                                            { "b.txt", 1, "mi" },
                                                            { "a.txt", 1, "x" } };
        QTest::newRow("lowest_first") << "PushButton7"
                                      << QList<Location> { { "a.txt", 1, "x" },
                                                           { "b.txt", 1, "mi" },
                                                           { "a.txt", 3, "mid" },
                                                           { "b.txt", 2, "longest" } };
    }
    void sortingKeepsTheLocationsWithTheirRows()
    {
        QFETCH(QString, button);
        QFETCH(QList<Location>, rows);
        chooseColumn(QStringLiteral("Line no."));
        chooseColumn(QStringLiteral("File"));
        form->fileList().appendEntries({ fixture->writeFile("a.txt", "x\n\nmid\n"),
                                         fixture->writeFile("b.txt", "mi\nlongest") });
        form->PushButton2->click();
        form->findChild<QPushButton*>(button)->click();
        QCOMPARE(shownLocations(), rows);
    }

    void copyGivesTheRowsAsSavedAndTheirLocations_data()
    {
        QTest::addColumn<QList<int>>("selected"); // positions shown, in the order clicked
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<QString>("rowsText");
        QTest::addColumn<QString>("locationsText"); // @ for the files' folder
        QTest::newRow("one_row") << QList<int> { 1 } << false << "4\tb  c"
                                 << "@/a.txt:3";
        QTest::newRow("rows_in_the_order_shown_not_clicked")
            << QList<int> { 2, 0 } << false << "1\ta\n2\t\u00E9\u00E9"
            << "@/a.txt:1\n@/b.txt:2";
        QTest::newRow("after_a_sort") << QList<int> { 0, 1 } << true << "4\tb  c\n2\t\u00E9\u00E9"
                                      << "@/a.txt:3\n@/b.txt:2";
    }
    void copyGivesTheRowsAsSavedAndTheirLocations()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, sorted);
        QFETCH(QString, rowsText);
        QFETCH(QString, locationsText);
        locationsText.replace(QLatin1Char('@'), QFileInfo(path("a.txt")).absolutePath());
        countTwoFiles();
        if (sorted)
            form->PushButton6->click();
        select(selected);

        QTest::keyClick(form->ListView2, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(shell().clipboard, QStringList({ rowsText }));

        triggerRowAction(QStringLiteral("&Copy"));
        triggerRowAction(QStringLiteral("Copy &Location"));
        QCOMPARE(shell().clipboard, QStringList({ rowsText, rowsText, locationsText }));
    }

    void showInFolderNamesEachFileOnce()
    {
        countTwoFiles();
        select({ 0, 1, 2 });
        triggerRowAction(QStringLiteral("Show in &Folder"));
        QCOMPARE(shell().shownInFolder, QList<QStringList>({ { path("a.txt"), path("b.txt") } }));
        QVERIFY(shell().clipboard.isEmpty());
    }

    void withoutASelectedRowNothingIsCopied()
    {
        countTwoFiles();
        form->ListView2->clearSelection();
        QTest::keyClick(form->ListView2, Qt::Key_C, Qt::ControlModifier);
        QMenu& menu = openRowMenuByKey(Qt::Key_Menu, Qt::NoModifier);
        for (const char* text : { "&Copy", "Copy &Location", "Show in &Folder" })
            QVERIFY2(!actionNamed(menu, QString::fromUtf8(text))->isEnabled(), text);
        // The chart is of every row, selected or not.
        QVERIFY(actionNamed(menu, QStringLiteral("Length C&hart\u2026"))->isEnabled());
        QVERIFY(shell().clipboard.isEmpty());
    }

    void anEmptyListOffersNothing()
    {
        QMenu& menu = openRowMenuByKey(Qt::Key_F10, Qt::ShiftModifier);
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator() && !action->menu())
                QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
        }
    }

    void theKeyboardOpensTheMenuAtTheCurrentRow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu_key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("shift_f10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }
    void theKeyboardOpensTheMenuAtTheCurrentRow()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        countTwoFiles();
        // Where the menu fits below the row: a menu that would leave the screen is moved.
        form->move(0, 0);
        select({ 1 });
        QMenu& menu = openRowMenuByKey(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(menu.accessibleName(), QStringLiteral("Result rows"));
        const QRect row = form->ListView2->visualRect(form->ListView2->currentIndex());
        QCOMPARE(menu.pos(), form->ListView2->viewport()->mapToGlobal(row.bottomLeft()));
        QVERIFY(actionNamed(menu, QStringLiteral("&Copy"))->isEnabled());
        // The columns are reached from the keyboard too, through the rows' menu.
        QAction* columns = actionNamed(menu, QStringLiteral("&Columns"));
        QVERIFY(columns && columns->menu());
        QCOMPARE(columns->menu()->accessibleName(), QStringLiteral("Columns of the results list"));
    }

    void aRightClickSelectsTheRowUnderThePointer()
    {
        countTwoFiles();
        select({ 0 });
        const QRect third = form->ListView2->visualRect(form->results().index(2, 0));
        QContextMenuEvent click(QContextMenuEvent::Mouse, third.center(),
                                form->ListView2->viewport()->mapToGlobal(third.center()));
        QApplication::sendEvent(form->ListView2->viewport(), &click);
        QVERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QCOMPARE(form->ListView2->selectedSourceRows(), std::vector<int> { 2 });
        triggerRowAction(QStringLiteral("&Copy"));
        QCOMPARE(shell().clipboard, QStringList({ "2\t\u00E9\u00E9" }));
    }

    void lengthChartOpensFromTheMenu()
    {
        countTwoFiles();
        QVERIFY(form->findChildren<LengthChartWindow*>().isEmpty());
        triggerRowAction(QStringLiteral("Length C&hart\u2026"));
        const QList<LengthChartWindow*> charts = form->findChildren<LengthChartWindow*>();
        QCOMPARE(charts.size(), 1);
        QVERIFY(charts.first()->isVisible());
    }

private:
    FakeDesktopShell& shell() { return fixture->fake.shell; }

    /// a.txt: "a", an empty line, "b  c"; b.txt: an empty line, "éé".
    void countTwoFiles()
    {
        form->fileList().appendEntries({ fixture->writeFile("a.txt", "a\n\nb  c\n"),
                                         fixture->writeFile("b.txt", "\n\xC3\xA9\xC3\xA9") });
        form->PushButton2->click();
        QCOMPARE(form->results().rowCount(), 3);
    }

    void select(const QList<int>& positions)
    {
        ListView* list = form->ListView2;
        list->setFocus();
        list->clearSelection();
        for (const int position : positions) {
            const QRect cell = list->visualRect(form->results().index(position, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton,
                              positions.size() > 1 ? Qt::ControlModifier : Qt::NoModifier,
                              cell.center());
        }
    }

    QMenu& openColumnsMenu()
    {
        QHeaderView* header = form->ListView2->horizontalHeader();
        emit header->customContextMenuRequested(QPoint(5, 5));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            qFatal("no menu opened on the header");
        return *menu;
    }

    QMenu& openRowMenuByKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        form->ListView2->setFocus();
        QTest::keyClick(form->ListView2, key, modifiers);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            qFatal("no menu opened by the key");
        return *menu;
    }

    void triggerRowAction(const QString& text)
    {
        QMenu& menu = openRowMenuByKey(Qt::Key_Menu, Qt::NoModifier);
        QAction* action = actionNamed(menu, text);
        QVERIFY2(action && action->isEnabled(), qPrintable(text));
        action->trigger();
        closePopup();
    }

    void chooseColumn(const QString& title)
    {
        QAction* action = actionNamed(openColumnsMenu(), title);
        QVERIFY2(action && action->isEnabled(), qPrintable(title));
        action->trigger();
        closePopup();
    }

    static void closePopup()
    {
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    static QAction* actionNamed(const QMenu& menu, const QString& text)
    {
        for (QAction* action : menu.actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    static QStringList checkedColumns(const QMenu& menu)
    {
        QStringList titles;
        for (const QAction* action : menu.actions()) {
            titles << (action->isChecked() ? action->text()
                                           : QStringLiteral("[ ] ") + action->text());
        }
        return titles;
    }

    QList<Location> shownLocations() const
    {
        const QAbstractItemModel* model = form->ListView2->model();
        QList<Location> shown;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString file = model->index(row, ResultsModel::FileColumn).data().toString();
            shown.append({ QFileInfo(file).fileName(),
                           model->index(row, ResultsModel::LineNumberColumn).data().toInt(),
                           model->index(row, ResultsModel::LineColumn).data().toString() });
            if (file != path(shown.last().file))
                shown.last().file = QStringLiteral("not the listed path: ") + file;
        }
        return shown;
    }
};

QTEST_MAIN(TestResultsListMenus)
#include "tst_results_list_menus.moc"
