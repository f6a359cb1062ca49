#pragma once

#include "../file_dialogs.h"
#include "../folder_picker.h"
#include "owner_window.h"

namespace velmora {

class QtFileDialogs final : public FileDialogs
{
public:
    explicit QtFileDialogs(const OwnerWindow& owner)
        : m_owner(owner)
    { }
    QString openFiles(const FileDialogRequest& request) override;
    QString saveFile(const FileDialogRequest& request) override;

private:
    const OwnerWindow& m_owner;
};

class QtFolderPicker final : public FolderPicker
{
public:
    explicit QtFolderPicker(const OwnerWindow& owner)
        : m_owner(owner)
    { }
    QString pickFolder(const QString& prompt) override;

private:
    const OwnerWindow& m_owner;
};

} // namespace velmora
