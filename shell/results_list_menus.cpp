#include "results_list_menus.h"

#include "list_view.h"
#include "platform/desktop_shell.h"
#include "results_model.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace velmora {

namespace {

// The widths the location columns start at, in twips as the window's own columns are set.
constexpr int fileColumnTwips = 3000;
constexpr int lineNumberColumnTwips = 1000;

} // namespace

ResultsListMenus::ResultsListMenus(ListView& list, ResultsModel& results, DesktopShell& shell)
    : QObject(&list)
    , m_list(list)
    , m_results(results)
    , m_shell(shell)
    , m_columnsMenu(new QMenu(QStringLiteral("&Columns"), &list))
    , m_rowMenu(new QMenu(&list))
{
    m_columnsMenu->setAccessibleName(QStringLiteral("Columns of the results list"));
    connect(m_columnsMenu, &QMenu::aboutToShow, this, &ResultsListMenus::fillColumnsMenu);
    QHeaderView* header = m_list.horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& at) { m_columnsMenu->popup(header->mapToGlobal(at)); });

    m_rowMenu->setAccessibleName(QStringLiteral("Result rows"));
    m_copy = m_rowMenu->addAction(QStringLiteral("&Copy"), this, &ResultsListMenus::copyRows);
    // Shown beside the item; the list itself takes the keys (see eventFilter).
    m_copy->setShortcut(QKeySequence::Copy);
    m_copyLocation = m_rowMenu->addAction(QStringLiteral("Copy &Location"), this,
                                          &ResultsListMenus::copyLocations);
    m_showInFolder = m_rowMenu->addAction(QStringLiteral("Show in &Folder"), this,
                                          &ResultsListMenus::showInFolder);
    m_rowMenu->addSeparator();
    m_lengthChart = m_rowMenu->addAction(QStringLiteral("Length C&hart\u2026"), this,
                                         &ResultsListMenus::lengthChartRequested);
    m_rowMenu->addSeparator();
    m_rowMenu->addMenu(m_columnsMenu);
    connect(m_rowMenu, &QMenu::aboutToShow, this, &ResultsListMenus::updateRowActions);

    m_list.installEventFilter(this);
    m_list.viewport()->installEventFilter(this);
}

bool ResultsListMenus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        auto* request = static_cast<QContextMenuEvent*>(event);
        const bool fromKeyboard = request->reason() == QContextMenuEvent::Keyboard;
        if (!fromKeyboard && watched == m_list.viewport()) {
            // As in a file manager, a right click on a row outside the selection selects it.
            const QModelIndex under = m_list.indexAt(request->pos());
            if (under.isValid() && !m_list.selectionModel()->isRowSelected(under.row()))
                m_list.setCurrentIndex(under);
        }
        openRowMenu(request->globalPos(), fromKeyboard);
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == &m_list) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            copyRows();
            return true;
        }
        const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
        if (key->key() == Qt::Key_Menu || shiftF10) {
            openRowMenu({}, true);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ResultsListMenus::openRowMenu(const QPoint& globalPosition, bool fromKeyboard)
{
    QPoint at = globalPosition;
    if (fromKeyboard) {
        // Below the current row's start, where the eye already is; at the top of the rows
        // when there is none.
        const QRect row = m_list.visualRect(m_list.currentIndex());
        at = m_list.viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : QPoint(0, 0));
    }
    m_rowMenu->popup(at);
}

void ResultsListMenus::updateRowActions()
{
    const bool anySelected = !m_list.selectedSourceRows().empty();
    m_copy->setEnabled(anySelected);
    m_copyLocation->setEnabled(anySelected);
    m_showInFolder->setEnabled(anySelected);
    // The chart is of every row, selected or not.
    m_lengthChart->setEnabled(m_results.rowCount() > 0);
}

void ResultsListMenus::fillColumnsMenu()
{
    m_columnsMenu->clear();
    struct Choice
    {
        int column;
        QString title;
    };
    std::vector<Choice> choices;
    for (int column = 0; column < m_results.columnCount(); ++column) {
        const QString title = m_results.headerData(column, Qt::Horizontal).toString();
        if (!title.isEmpty()) // the sort key's column is for the program, not for the eye
            choices.push_back({ column, title });
    }
    if (!m_results.hasLocationColumns()) {
        const QStringList titles = ResultsModel::locationColumnTitles();
        choices.push_back({ ResultsModel::FileColumn, titles.at(0) });
        choices.push_back({ ResultsModel::LineNumberColumn, titles.at(1) });
    }
    const auto isShown = [this](int column) {
        return column < m_results.columnCount() && !m_list.isColumnHidden(column);
    };
    const auto shownCount
        = std::count_if(choices.cbegin(), choices.cend(),
                        [&](const Choice& choice) { return isShown(choice.column); });
    for (const Choice& choice : choices) {
        QAction* action = m_columnsMenu->addAction(choice.title);
        action->setCheckable(true);
        action->setChecked(isShown(choice.column));
        // The last column shown stays: a list of no columns shows nothing to choose again by.
        action->setEnabled(!(action->isChecked() && shownCount == 1));
        const int column = choice.column;
        connect(action, &QAction::toggled, this,
                [this, column](bool shown) { showColumn(column, shown); });
    }
}

void ResultsListMenus::showColumn(int modelColumn, bool shown)
{
    if (shown && !m_results.hasLocationColumns()) {
        m_results.addLocationColumns();
        m_list.setColumnWidthTwips(ResultsModel::FileColumn + 1, fileColumnTwips);
        m_list.setColumnWidthTwips(ResultsModel::LineNumberColumn + 1, lineNumberColumnTwips);
        for (const int column : { ResultsModel::FileColumn, ResultsModel::LineNumberColumn }) {
            if (column != modelColumn)
                m_list.setColumnShown(column + 1, false);
        }
    }
    m_list.setColumnShown(modelColumn + 1, shown);
}

void ResultsListMenus::copyRows()
{
    QStringList rows;
    for (const int position : m_list.selectedSourceRows())
        rows << m_results.rowText(position);
    if (!rows.isEmpty())
        m_shell.copyText(rows.join(QLatin1Char('\n')));
}

void ResultsListMenus::copyLocations()
{
    QStringList locations;
    for (const int position : m_list.selectedSourceRows())
        locations << m_results.locationText(position);
    if (!locations.isEmpty())
        m_shell.copyText(locations.join(QLatin1Char('\n')));
}

void ResultsListMenus::showInFolder()
{
    QStringList files;
    for (const int position : m_list.selectedSourceRows()) {
        const QString path = m_results.rows().filePath(position);
        if (!files.contains(path))
            files << path;
    }
    if (!files.isEmpty())
        m_shell.showInFolder(files);
}

} // namespace velmora
