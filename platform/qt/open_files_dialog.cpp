#include "open_files_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace velmora {

// Qt reads a filter's wildcards from the brackets at its end, and its "*.*" would hide names
// without a dot; so the wildcards travel in brackets of their own, hidden from view, and the
// description is shown exactly as written.
void applyFilters(QFileDialog& dialog, const QList<FileFilter>& filters)
{
    QStringList nameFilters;
    for (const FileFilter& filter : filters) {
        const QString pattern
            = filter.pattern == QLatin1String("*.*") ? QStringLiteral("*") : filter.pattern;
        nameFilters << filter.description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(nameFilters);
}

OpenFilesDialog::OpenFilesDialog(QWidget* parent, const FileDialogRequest& request)
    : QFileDialog(parent, request.title)
{
    // A desktop's own dialog may refuse names of files that do not exist.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    applyFilters(*this, request.filters);
    auto* buttons = findChild<QDialogButtonBox*>();
    m_openButton = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (m_openButton && nameBox) {
        // Qt's dialog greys its Open button out while the name box holds no existing file's
        // name: as the name is typed, and whenever else it looks again.
        connect(nameBox, &QLineEdit::textChanged, this, &OpenFilesDialog::enableOpenForAnyName);
        m_openButton->installEventFilter(this);
    }
}

void OpenFilesDialog::enableOpenForAnyName()
{
    if (!m_openButton->isEnabled() && !namesInTheNameBox().isEmpty())
        m_openButton->setEnabled(true);
}

bool OpenFilesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_openButton && event->type() == QEvent::EnabledChange)
        enableOpenForAnyName();
    return QFileDialog::eventFilter(watched, event);
}

QStringList OpenFilesDialog::chosenFiles() const
{
    return m_typedNames.isEmpty() ? selectedFiles() : m_typedNames;
}

QStringList OpenFilesDialog::namesInTheNameBox() const
{
    const auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString text = nameBox ? nameBox->text() : QString();
    QStringList names;
    if (!text.contains(QLatin1Char('"'))) {
        names << text;
    } else {
        // "a.txt" "b.txt": every second piece between the quotes is a name.
        const QStringList pieces = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < pieces.size(); i += 2)
            names << pieces.at(i);
    }
    QStringList paths;
    for (const QString& name : std::as_const(names)) {
        if (!name.isEmpty())
            paths << QDir::cleanPath(directory().absoluteFilePath(name));
    }
    return paths;
}

void OpenFilesDialog::accept()
{
    m_typedNames.clear();
    const QStringList typed = namesInTheNameBox();
    const bool allExist = std::all_of(typed.cbegin(), typed.cend(),
                                      [](const QString& path) { return QFileInfo::exists(path); });
    // Existing files, a folder to open or an empty name box: Qt's dialog knows what to do.
    if (typed.isEmpty() || allExist) {
        QFileDialog::accept();
        return;
    }
    m_typedNames = typed;
    emit filesSelected(m_typedNames);
    QDialog::accept();
}

} // namespace velmora
