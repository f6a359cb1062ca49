#include "qt_file_dialogs.h"

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
    const QStringList files = dialog.chosenFiles();
    if (files.isEmpty())
        return {};
    if (files.size() == 1)
        return QDir::toNativeSeparators(files.first());

    // Several files come back as their folder and then each name after a NUL.
    const QDir folder = QFileInfo(files.first()).absoluteDir();
    QString result = QDir::toNativeSeparators(folder.absolutePath());
    for (const QString& file : files)
        result += QChar(u'\0') + QDir::toNativeSeparators(folder.relativeFilePath(file));
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
    return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
}

QString QtFolderPicker::pickFolder(const QString& prompt)
{
    const QString folder = QFileDialog::getExistingDirectory(m_owner.get(), prompt, QString(),
                                                             QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(folder);
}

} // namespace velmora
