#pragma once

#include <QList>
#include <QString>

namespace velmora {

/// One entry of a dialog's type list: the text shown and the wildcard it stands for.
struct FileFilter
{
    QString description; // shown as written, e.g. "All Files (*.*)"
    QString pattern; // "*.*" matches every name, with or without a dot
};

struct FileDialogRequest
{
    QString title;
    QList<FileFilter> filters;
};

/// The platform's open and save dialogs, modal to the main window. Both open with an empty
/// name box, add no default extension and never ask about overwriting themselves.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    /// Lets the user pick one or several existing or typed names. Returns the empty text when
    /// cancelled, the full path for one file, or for several files the folder followed by each
    /// name, every name preceded by one NUL character.
    virtual QString openFiles(const FileDialogRequest& request) = 0;
    /// Returns the path the user chose, exactly as typed or picked, or the empty text when
    /// cancelled.
    virtual QString saveFile(const FileDialogRequest& request) = 0;
};

} // namespace velmora
