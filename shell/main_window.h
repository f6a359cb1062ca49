#pragma once

#include "common/program_files.h"
#include "counting/match/line_filter.h"
#include "filelist/file_list_model.h"
#include "filelist/folder_walk_guard.h"
#include "platform/platform.h"
#include "results_model.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

class LengthChartWindow;
class ListView;
class PointerRules;
class ResultsListMenus;

/// The program's one window. Construction builds the design; Form_Load() runs the start-up
/// sequence and must be called once before the window is first shown.
class Form1 final : public QWidget
{
    Q_OBJECT

public:
    Form1(Platform& platform, ProgramFiles programFiles, QWidget* parent = nullptr);
    ~Form1() override;

    void Form_Load();

    /// Files and folders named on the command line, as a file manager's "Open With" passes
    /// them: appended as if dropped on the file list.
    void addCommandLinePaths(const QStringList& paths);

    FileListModel& fileList() { return m_fileList; }
    ResultsModel& results() { return m_results; }

    // The controls, under the names of the window design.
    ListView* ListView1 = nullptr;
    ListView* ListView2 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QPushButton* PushButton8 = nullptr;
    QPushButton* PushButton9 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QCheckBox* Check6 = nullptr;

public slots:
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton9_Click();
    void ListView1_DblClick();
    void ListView1_OLEDragDrop(const QStringList& paths);
    /// Shows the Length Chart window of the results, made when first asked for.
    void showLengthChart();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void describeControls();
    void applyDesignColours();
    /// The window, its frames, its options and its check box.
    void paintBackgrounds(const QColor& colour);
    void connectHandlers();

    void centerOnScreen();
    void ApplyTheme();
    void createListColumns();
    void restoreFilterChoice();
    void applyStoredOption(QRadioButton* option, const QString& key, bool defaultValue);
    void saveFilterChoice();
    LineFilter chosenFilter() const;
    void sortResults(Qt::SortOrder order);
    void runFolderOperation(const std::function<void()>& operation);

    Platform& m_platform;
    ProgramFiles m_programFiles;
    double m_logicalDpi;
    FileListModel m_fileList;
    FolderWalkGuard m_folderWalk;
    ResultsModel m_results;
    /// After the results, so that it goes first: its background build reads them.
    std::unique_ptr<LengthChartWindow> m_lengthChart;
    std::unique_ptr<PointerRules> m_pointerRules;
    /// Owned by ListView2.
    ResultsListMenus* m_resultsMenus = nullptr;
    /// Set when the window closes, so that a running operation ends at once.
    std::atomic<bool> m_closing { false };
};

} // namespace velmora
