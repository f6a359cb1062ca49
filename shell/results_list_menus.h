#pragma once

#include <QObject>

class QAction;
class QMenu;
class QPoint;

namespace velmora {

class DesktopShell;
class ListView;
class ResultsModel;

/// What the results list offers beyond the window's design, through the list's own means:
/// the header's menu of columns (right click), and the rows' context menu (right click, the
/// menu key, Shift+F10) with Copy (also Ctrl+C), Copy Location, Show in Folder and the length
/// chart. The clipboard and the file manager are reached through the desktop shell.
class ResultsListMenus final : public QObject
{
    Q_OBJECT

public:
    /// `list` shows `results`; both outlive this object, which `list` owns.
    ResultsListMenus(ListView& list, ResultsModel& results, DesktopShell& shell);

    QMenu& columnsMenu() const { return *m_columnsMenu; }
    QMenu& rowMenu() const { return *m_rowMenu; }

    /// Opens the row menu at `globalPosition`, or beside the current row for `fromKeyboard`.
    void openRowMenu(const QPoint& globalPosition, bool fromKeyboard);

signals:
    /// "Length Chart…" was chosen.
    void lengthChartRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillColumnsMenu();
    void showColumn(int modelColumn, bool shown);
    void updateRowActions();
    void copyRows();
    void copyLocations();
    void showInFolder();

    ListView& m_list;
    ResultsModel& m_results;
    DesktopShell& m_shell;
    QMenu* m_columnsMenu;
    QMenu* m_rowMenu;
    QAction* m_copy;
    QAction* m_copyLocation;
    QAction* m_showInFolder;
    QAction* m_lengthChart;
};

} // namespace velmora
