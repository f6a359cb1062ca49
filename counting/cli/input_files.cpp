#include "input_files.h"

#include "command_line.h"
#include "filelist/folder_tree.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

QStringList inputFiles(const CountCommand& command)
{
    if (!command.recursive)
        return command.files;
    // The window's folder add makes its pattern the same way from the extension typed in.
    const FileNamePattern pattern(QStringLiteral("*.") + command.extension);
    QStringList inputs;
    for (const QString& file : command.files) {
        if (file == u"-" || !QFileInfo(file).isDir()) {
            inputs << file;
            continue;
        }
        walkFolderTreeFiles(
            file, pattern, DoubledSeparators::Reduce, [&](const QString& path) { inputs << path; },
            [] { return WalkStep::Continue; });
    }
    return inputs;
}

std::optional<qint64> knownTotalBytes(const QStringList& inputs)
{
    qint64 total = 0;
    for (const QString& input : inputs) {
        if (input == u"-") {
            struct stat status;
            if (fstat(STDIN_FILENO, &status) != 0 || !S_ISREG(status.st_mode))
                return std::nullopt;
            total += qint64(status.st_size);
            continue;
        }
        const QFileInfo info(input);
        if (!info.isFile())
            return std::nullopt;
        total += info.size();
    }
    return total;
}

} // namespace velmora
