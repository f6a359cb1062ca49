#pragma once

#include "../file_dialogs.h"

#include <QFileDialog>

class QPushButton;

namespace velmora {

/// The open dialog of "Add Text File(s)": several files may be picked at once, and a typed
/// name is taken even when no such file or folder exists; what to do with such a name is the
/// caller's business. Qt's own dialog, so that this holds on every desktop.
class OpenFilesDialog final : public QFileDialog
{
    Q_OBJECT

public:
    OpenFilesDialog(QWidget* parent, const FileDialogRequest& request);

    /// The chosen files as absolute paths, after the dialog was accepted.
    QStringList chosenFiles() const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The names in the name box, each made absolute against the folder shown: one name as
    /// typed, or several each in double quotes.
    QStringList namesInTheNameBox() const;
    void enableOpenForAnyName();

    QStringList m_typedNames;
    QPushButton* m_openButton = nullptr;
};

/// Gives the dialog the filters of `request`: each description shown exactly as written, and
/// "*.*" matching every name, with or without a dot.
void applyFilters(QFileDialog& dialog, const QList<FileFilter>& filters);

} // namespace velmora
