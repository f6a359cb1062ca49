#include "input_files.h"

#include "command_line.h"
#include "common/long_path.h"
#include "common/path_bytes.h"
#include "filelist/folder_tree.h"

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

/// What stat() says of the file `path` ("-": standard input) leads to, by its exact bytes.
std::optional<struct stat> statusOf(const QString& path)
{
    struct stat status;
    const int result
        = path == u"-" ? ::fstat(STDIN_FILENO, &status) : statLongPath(pathBytes(path), &status);
    if (result != 0)
        return std::nullopt;
    return status;
}

} // namespace

QStringList inputFiles(const CountCommand& command, const Complaint& complain)
{
    if (!command.recursive)
        return command.files;
    // The window's folder add makes its pattern the same way from the extension typed in.
    const FileNamePattern pattern(QStringLiteral("*.") + command.extension);
    QStringList inputs;
    for (const QString& file : command.files) {
        const std::optional<struct stat> status = statusOf(file);
        if (file == u"-" || !status || !S_ISDIR(status->st_mode)) {
            inputs << file;
            continue;
        }
        walkFolderTreeFiles(
            file, pattern, DoubledSeparators::Reduce, [&](const QString& path) { inputs << path; },
            [] { return WalkStep::Continue; },
            [&](const WalkFailure& failure) { complain(failure.path, failure.cause); });
    }
    return inputs;
}

std::optional<qint64> knownTotalBytes(const QStringList& inputs)
{
    qint64 total = 0;
    for (const QString& input : inputs) {
        const std::optional<struct stat> status = statusOf(input);
        if (!status || !S_ISREG(status->st_mode))
            return std::nullopt;
        total += qint64(status->st_size);
    }
    return total;
}

} // namespace velmora
