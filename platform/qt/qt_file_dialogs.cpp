#include "qt_file_dialogs.h"

#include "common/path_bytes.h"
#include "open_files_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace velmora {

QString QtFileDialogs::openFiles(const FileDialogRequest& request)
{
    OpenFilesDialog dialog(m_owner.get(), request);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList files = dialog.chosenFiles();
    if (files.isEmpty())
        return {};
    // Qt's dialog shows names that are not UTF-8 with replacement characters; the program
    // needs the names the files really have.
    for (QString& file : files)
        file = recoverLossyPath(file);
    if (files.size() == 1)
        return QDir::toNativeSeparators(files.first());

    // Several files come back as their folder and then each name after a NUL.
    const QString folder = files.first().section(QLatin1Char('/'), 0, -2);
    QString result = QDir::toNativeSeparators(folder.isEmpty() ? QStringLiteral("/") : folder);
    for (const QString& file : std::as_const(files))
        result += QChar(u'\0') + file.section(QLatin1Char('/'), -1);
    return result;
}

QString QtFileDialogs::saveFile(const FileDialogRequest& request)
{
    QFileDialog dialog(m_owner.get(), request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks about overwriting itself, and uses the name exactly as given.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QString());
    applyFilters(dialog, request.filters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return QDir::toNativeSeparators(recoverLossyPath(dialog.selectedFiles().value(0)));
}

QString QtFolderPicker::pickFolder(const QString& prompt)
{
    const QString folder = QFileDialog::getExistingDirectory(m_owner.get(), prompt, QString(),
                                                             QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(recoverLossyPath(folder));
}

} // namespace velmora
