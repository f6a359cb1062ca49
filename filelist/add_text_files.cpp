#include "add_text_files.h"

#include "common/application_title.h"
#include "common/truth_value.h"
#include "file_list_model.h"
#include "path_rules.h"
#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"

#include <QDir>

namespace velmora {

void addTextFiles(FileListModel& list, FileDialogs& dialogs, MessageBoxes& messages)
{
    const FileDialogRequest request {
        QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"),
        { { QStringLiteral("All Files (*.*)"), QStringLiteral("*.*") } },
    };
    const QString chosen = dialogs.openFiles(request);
    if (chosen.isEmpty())
        return;

    const QStringList parts = chosen.split(QChar(u'\0'));
    if (parts.size() == 1) {
        // Only a path put together here can have gone wrong; a single choice is the dialog's
        // own text and goes in untested, even a typed name of a file that does not exist.
        list.appendEntry(chosen);
        return;
    }

    const QString folder = parts.first();
    QStringList accepted;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString path = reduceDoubledSeparators(folder + QDir::separator() + parts.at(i));
        const bool bad = parseTruthText(PathHasBadCharacters(path)).value_or(true);
        if (!bad) {
            accepted.append(path);
            continue;
        }
        // The files before this one are in the list while the user reads the box.
        list.appendEntries(accepted);
        accepted.clear();
        messages.show(path
                          + QStringLiteral("\r\rwas not added because it has bad characters "
                                           "in the filename."),
                      applicationTitle(), MessageButtons::Ok, MessageIcon::None);
    }
    list.appendEntries(accepted);
}

} // namespace velmora
