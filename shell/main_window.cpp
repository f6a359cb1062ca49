#include "main_window.h"

#include "common/path_bytes.h"
#include "common/twips.h"
#include "count_command.h"
#include "filelist/add_all_files_in_folder.h"
#include "filelist/add_text_files.h"
#include "filelist/dropped_paths.h"
#include "filelist/sample_file.h"
#include "length_chart/length_chart_window.h"
#include "list_view.h"
#include "pointer_rules.h"
#include "results_list_menus.h"
#include "save_command.h"
#include "window_design.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>
#include <vector>

namespace velmora {

namespace {

QFont designFont(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

/// An option button that stays a tab stop of its own whether selected or not. Qt's option
/// buttons of one group otherwise leave only the one with the focus in the tab order; the
/// arrow keys still move between them and select.
class OptionButton final : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;

protected:
    void focusInEvent(QFocusEvent* event) override { QWidget::focusInEvent(event); }
};

void describe(QWidget* control, const char* description)
{
    control->setAccessibleDescription(QString::fromUtf8(description));
}

} // namespace

Form1::Form1(Platform& platform, ProgramFiles programFiles, QWidget* parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_programFiles(std::move(programFiles))
    , m_logicalDpi(platform.screen.logicalDpi())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(QIcon(QStringLiteral(":/velmora/window-icon-32.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twipsToPixels(design::clientWidth, m_logicalDpi),
                 twipsToPixels(design::clientHeight, m_logicalDpi));

    createControls();
    applyDesignColours();
    connectHandlers();
    ListView1->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1() = default;

void Form1::createControls()
{
    std::vector<std::pair<int, QWidget*>> tabStops;
    const auto place = [&](QWidget* control, const char* name, const design::Placement& at) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(twipsToPixels(at.left, at.top, at.width, at.height, m_logicalDpi));
        if (control->focusPolicy() != Qt::NoFocus)
            tabStops.emplace_back(at.tabIndex, control);
    };
    const QFont buttonFont = designFont(design::buttonFontPoints);
    const QFont controlFont = designFont(design::controlFontPoints);
    const auto button = [&](const char* name, const char* caption, const design::Placement& at) {
        auto* pushButton = new QPushButton(QString::fromUtf8(caption), this);
        pushButton->setFont(buttonFont);
        pushButton->setAutoDefault(false);
        place(pushButton, name, at);
        return pushButton;
    };
    const auto list = [&](const char* name, const design::Placement& at) {
        auto* view = new ListView(m_logicalDpi, this);
        view->setFont(controlFont);
        place(view, name, at);
        return view;
    };
    const auto frame = [&](const char* name, const char* caption, const design::Placement& at) {
        auto* box = new QGroupBox(QString::fromUtf8(caption), this);
        box->setFont(controlFont);
        place(box, name, at);
        return box;
    };
    const auto option
        = [&](QGroupBox* in, const char* name, const char* caption, const design::Placement& at) {
              auto* radio = new OptionButton(QString::fromUtf8(caption), in);
              radio->setFont(controlFont);
              place(radio, name, at);
              return radio;
          };
    const auto textBox = [&](QGroupBox* in, const char* name, const design::Placement& at) {
        auto* edit = new QLineEdit(in);
        edit->setFont(controlFont);
        edit->setMaxLength(std::numeric_limits<int>::max());
        place(edit, name, at);
        return edit;
    };

    ListView1 = list("ListView1", design::ListView1);
    PushButton1 = button("PushButton1", "Add Text File(s)", design::PushButton1);
    PushButton3 = button("PushButton3", "Add All Text File(s) In Folder", design::PushButton3);
    PushButton8 = button("PushButton8", "Clear List", design::PushButton8);
    PushButton9 = button("PushButton9", "Load Sample File", design::PushButton9);
    Frame1 = frame("Frame1", "Options", design::Frame1);
    Option3 = option(Frame1, "Option3", "Do not filter (get count for all lines)", design::Option3);
    Option1 = option(Frame1, "Option1", "Filter - Only look at lines containing this..",
                     design::Option1);
    Text1 = textBox(Frame1, "Text1", design::Text1);
    Option2 = option(Frame1, "Option2", "Filter - Only look at lines not containing this..",
                     design::Option2);
    Text2 = textBox(Frame1, "Text2", design::Text2);
    Frame2 = frame("Frame2", "Case Options", design::Frame2);
    Check6 = new QCheckBox(QStringLiteral("Match case"), Frame2);
    Check6->setFont(controlFont);
    place(Check6, "Check6", design::Check6);
    PushButton2 = button("PushButton2", "Start Counting", design::PushButton2);
    ListView2 = list("ListView2", design::ListView2);
    PushButton6 = button("PushButton6", "Sort Results From Highest To Lowest", design::PushButton6);
    PushButton7 = button("PushButton7", "Sort Results From Lowest To Higest", design::PushButton7);
    PushButton4 = button("PushButton4", "Save Results As New Text File", design::PushButton4);
    PushButton5 = button("PushButton5", "Clear List", design::PushButton5);

    Option3->setChecked(true);
    describeControls();

    ListView1->setModel(&m_fileList);
    // While a folder walk runs, nothing more can be dropped: a second walk would disturb it.
    ListView1->acceptFileDrops([this] { return !m_folderWalk.isWalking(); });
    ListView1->setListToolTip(QStringLiteral(
        "Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
        "window to reveal full names."));
    ListView2->setModel(&m_results);
    ListView2->setListToolTip(
        QStringLiteral("Move bar to right and out of window to reveal full names."));
    // Several rows can be copied at once; the file list removes one entry per double-click.
    ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_resultsMenus = new ResultsListMenus(*ListView2, m_results, m_platform.shell);
    connect(m_resultsMenus, &ResultsListMenus::lengthChartRequested, this, &Form1::showLengthChart);

    std::stable_sort(tabStops.begin(), tabStops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabStops.size(); ++i)
        setTabOrder(tabStops[i - 1].second, tabStops[i].second);

    m_pointerRules = std::make_unique<PointerRules>(m_platform.pointer);
    m_pointerRules->addBackground(this);
    m_pointerRules->addBackground(Frame1);
    m_pointerRules->addBackground(Frame2);
    m_pointerRules->addList(ListView1);
    m_pointerRules->addList(ListView2);
    for (QPushButton* pushButton : findChildren<QPushButton*>())
        m_pointerRules->addButton(pushButton);
}

void Form1::describeControls()
{
    // A screen reader tells the controls apart by name and description: the buttons, options
    // and frames are named by their captions, each text box by its option, each list by its
    // header (see ListView).
    Text1->setAccessibleName(Option1->text());
    Text2->setAccessibleName(Option2->text());
    describe(ListView1,
             "The files to count. Drag and drop files here. Double-click an item to "
             "remove it.");
    describe(ListView2, "The results: for each counted line, its character count and the line.");
    describe(PushButton1, "Choose files to add to the file list.");
    describe(PushButton3,
             "Add every file with a chosen extension in a folder and its sub-folders.");
    describe(PushButton8, "Empty the file list.");
    describe(PushButton9, "Add the sample file to the file list.");
    describe(Frame1, "Which lines are counted.");
    describe(Option3, "Count every line.");
    describe(Option1, "Count only the lines that contain the text below.");
    describe(Text1, "The text that a counted line contains.");
    describe(Option2, "Count only the lines that do not contain the text below.");
    describe(Text2, "The text that a counted line does not contain.");
    describe(Frame2, "How letters are compared with the filter text.");
    describe(Check6, "Compare the filter text with exact letter case.");
    describe(PushButton2, "Count the characters of every line of the listed files.");
    describe(PushButton6, "Order the results from the highest count to the lowest.");
    describe(PushButton7, "Order the results from the lowest count to the highest.");
    describe(PushButton4, "Save the results as a new text file.");
    describe(PushButton5, "Empty the results list.");
}

void Form1::applyDesignColours()
{
    // The whole window is white: its background, the frames, the options and the check box.
    // The push buttons share that white face; lists and text boxes keep the system colours.
    paintBackgrounds(Qt::white);
    setStyleSheet(QLatin1String(design::frameStyleSheet));
    for (QPushButton* pushButton : findChildren<QPushButton*>()) {
        QPalette palette = pushButton->palette();
        palette.setColor(QPalette::Button, Qt::white);
        pushButton->setPalette(palette);
    }
}

void Form1::paintBackgrounds(const QColor& colour)
{
    for (QWidget* widget : std::initializer_list<QWidget*> { this, Frame1, Frame2, Option1, Option2,
                                                             Option3, Check6 }) {
        // Option buttons and check boxes fill their background with the button colour.
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, colour);
        palette.setColor(widget->backgroundRole(), colour);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
}

void Form1::connectHandlers()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form1::PushButton9_Click);
    connect(ListView1, &ListView::listDoubleClicked, this, &Form1::ListView1_DblClick);
    connect(ListView1, &ListView::filesDropped, this, &Form1::ListView1_OLEDragDrop);
    for (QRadioButton* option : { Option1, Option2, Option3 })
        connect(option, &QRadioButton::clicked, this, &Form1::saveFilterChoice);
}

void Form1::PushButton1_Click()
{
    addTextFiles(m_fileList, m_platform.fileDialogs, m_platform.messages);
}

void Form1::PushButton3_Click()
{
    runFolderOperation([this] { addAllFilesInFolder(m_fileList, m_folderWalk, m_platform); });
}

void Form1::ListView1_OLEDragDrop(const QStringList& paths)
{
    runFolderOperation(
        [&] { addDroppedPaths(paths, m_fileList, m_folderWalk, m_platform.events); });
}

void Form1::addCommandLinePaths(const QStringList& paths)
{
    QStringList dropped;
    for (const QString& path : paths)
        dropped << QDir::toNativeSeparators(absolutePath(path));
    ListView1_OLEDragDrop(dropped);
}

void Form1::runFolderOperation(const std::function<void()>& operation)
{
    // The window stays responsive during a walk; only a second folder operation must wait.
    if (m_folderWalk.isWalking())
        return;
    PushButton3->setEnabled(false);
    operation();
    PushButton3->setEnabled(true);
}

void Form1::PushButton2_Click()
{
    countListedFiles(m_fileList.entries(), chosenFilter(), m_results, m_platform, m_closing);
}

LineFilter Form1::chosenFilter() const
{
    LineFilter filter;
    // The options are looked at in this order; the first selected one decides.
    if (Option1->isChecked())
        filter = { LineFilterMode::Containing, Text1->text(), {} };
    else if (Option2->isChecked())
        filter = { LineFilterMode::NotContaining, Text2->text(), {} };
    else if (Option3->isChecked())
        filter.mode = LineFilterMode::Every;
    else
        filter.mode = LineFilterMode::Nothing;
    filter.caseSensitivity
        = Check6->checkState() == Qt::Checked ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return filter;
}

void Form1::PushButton4_Click()
{
    saveResults(m_results, m_platform, m_closing);
}

void Form1::PushButton6_Click()
{
    sortResults(Qt::DescendingOrder);
}

void Form1::PushButton7_Click()
{
    sortResults(Qt::AscendingOrder);
}

void Form1::sortResults(Qt::SortOrder order)
{
    // Sorting nothing changes nothing, not even the pointer.
    if (m_results.rowCount() == 0)
        return;
    m_platform.pointer.setPointer(MousePointer::Busy);
    m_results.sortByKey(order);
    m_platform.pointer.setPointer(MousePointer::Default);
}

void Form1::PushButton5_Click()
{
    m_results.clear();
}

void Form1::PushButton8_Click()
{
    m_fileList.clear();
}

void Form1::PushButton9_Click()
{
    LoadSampleFile(m_programFiles.path(QStringLiteral("sample.txt")), m_fileList,
                   m_platform.messages, m_platform.shell);
}

void Form1::ListView1_DblClick()
{
    if (const std::optional<int> position = ListView1->selectedPosition())
        m_fileList.removeEntry(*position);
}

void Form1::showLengthChart()
{
    if (!m_lengthChart)
        m_lengthChart = std::make_unique<LengthChartWindow>(m_results, this);
    m_lengthChart->show();
    m_lengthChart->raise();
    m_lengthChart->activateWindow();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing is never refused and nothing is saved: the filter choice is written when made.
    // A running operation is told to end at once.
    m_closing = true;
    m_folderWalk.requestStop();
    event->accept();
    QCoreApplication::quit();
}

} // namespace velmora
