#include "common/application_title.h"
#include "common/center_form.h"
#include "common/file_exists.h"
#include "common/truth_value.h"
#include "list_view.h"
#include "main_window.h"
#include "product_page.h"
#include "window_design.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QRadioButton>

#include <cmath>

namespace velmora {

namespace {

const QString settingsSection = QStringLiteral("Velmora");

} // namespace

void Form1::Form_Load()
{
    centerOnScreen();
    ApplyTheme();
    setWindowTitle(applicationTitle());

    const QString handCursor = m_programFiles.path(QStringLiteral("HAND-M.CUR"));
    if (FileExists(handCursor))
        m_platform.pointer.loadCustomImage(handCursor);

    RollProductPage(m_platform.random, m_platform.shell);
    createListColumns();
    restoreFilterChoice();
}

void Form1::centerOnScreen()
{
    const QPointF topLeft = CenterForm(frameGeometry().size(), m_platform.screen.screenSize());
    move(static_cast<int>(std::lround(topLeft.x())), static_cast<int>(std::lround(topLeft.y())));
}

void Form1::ApplyTheme()
{
    const QString themePath = m_programFiles.path(QStringLiteral("x/o.cjs"));
    const QFileInfo theme(themePath);
    if (!theme.exists() || !theme.isFile() || theme.isHidden())
        return;

    // The theme repaints the window on the system's button face instead of white.
    paintBackgrounds(QPalette().color(QPalette::Button));

    // The theme's rules come after the design's, so that they win where both speak.
    QFile themeFile(themePath);
    if (themeFile.open(QIODevice::ReadOnly | QIODevice::Text))
        setStyleSheet(styleSheet() + QString::fromUtf8(themeFile.readAll()));
}

void Form1::createListColumns()
{
    m_fileList.addColumnHeader(QStringLiteral("Text File(s)"));
    ListView1->setColumnWidthTwips(1, design::fileListColumnWidth);

    m_results.addColumnHeader(QStringLiteral("#"));
    m_results.addColumnHeader(QString());
    m_results.addColumnHeader(QStringLiteral("Line"));
    ListView2->setColumnWidthTwips(1, design::countColumnWidth);
    ListView2->setColumnWidthTwips(2, design::sortKeyColumnWidth);
    ListView2->setColumnWidthTwips(3, design::lineColumnWidth);
}

void Form1::restoreFilterChoice()
{
    // Each key is read only after the one before has been applied: selecting an option writes
    // all three at once, so the first key that holds true decides.
    applyStoredOption(Option1, QStringLiteral("Option1"), false);
    applyStoredOption(Option2, QStringLiteral("Option2"), false);
    applyStoredOption(Option3, QStringLiteral("Option3"), true);
}

void Form1::applyStoredOption(QRadioButton* option, const QString& key, bool defaultValue)
{
    const QString stored = m_platform.settings.readText(
        settingsSection, key, defaultValue ? QStringLiteral("1") : QStringLiteral("0"));
    // A value that is neither a truth word nor a number counts as the key's default.
    const bool selected = parseTruthText(stored).value_or(defaultValue);
    if (selected) {
        if (!option->isChecked()) {
            option->setChecked(true);
            saveFilterChoice();
        }
    } else if (option->isChecked()) {
        // Clearing one option leaves the two others as they are, so none may end selected.
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void Form1::saveFilterChoice()
{
    m_platform.settings.writeText(settingsSection, QStringLiteral("Option1"),
                                  truthText(Option1->isChecked()));
    m_platform.settings.writeText(settingsSection, QStringLiteral("Option2"),
                                  truthText(Option2->isChecked()));
    m_platform.settings.writeText(settingsSection, QStringLiteral("Option3"),
                                  truthText(Option3->isChecked()));
}

} // namespace velmora
