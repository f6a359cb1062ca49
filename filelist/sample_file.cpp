#include "sample_file.h"

#include "common/application_title.h"
#include "file_list_model.h"
#include "platform/desktop_shell.h"
#include "platform/message_boxes.h"

namespace velmora {

void LoadSampleFile(const QString& samplePath, FileListModel& fileList, MessageBoxes& messages,
                    DesktopShell& shell)
{
    fileList.appendEntry(samplePath);
    const MessageAnswer answer
        = messages.show(QStringLiteral("Would you like to view the contents of this file?"),
                        applicationTitle(), MessageButtons::YesNo, MessageIcon::None);
    if (answer == MessageAnswer::Yes)
        shell.openDocument(samplePath);
}

} // namespace velmora
