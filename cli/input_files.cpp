#include "input_files.h"

#include "command_line.h"
#include "common/long_path.h"
#include "common/path_bytes.h"
#include "walk/tree_walk.h"

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

/// What the command's options ask of a walk.
WalkChoices walkChoices(const CountCommand& command)
{
    WalkChoices choices;
    // "*" stays a pattern of its own, the window's "*.*" that takes every name.
    for (const QString& extension : command.extensions)
        choices.namePatterns.emplace_back(QStringLiteral("*.") + extension);
    for (const QString& exclude : command.excludes)
        choices.excluded.add(pathBytes(exclude).toStdString());
    if (command.noIgnore)
        choices.ignoreFiles = WalkChoices::IgnoreFiles::Pass;
    choices.maxDepth = command.maxDepth;
    return choices;
}

} // namespace

InputFiles inputFiles(const CountCommand& command, const Complaint& complain)
{
    InputFiles inputs;
    if (!command.recursive) {
        inputs.paths = command.files;
        inputs.origins.fill(InputOrigin::Named, inputs.paths.size());
        return inputs;
    }
    TreeWalk walk(walkChoices(command));
    bool walkedAny = false;
    for (const QString& file : command.files) {
        const std::optional<struct stat> status = statusOf(file);
        if (file == u"-" || !status || !S_ISDIR(status->st_mode)) {
            inputs.paths << file;
            inputs.origins << InputOrigin::Named;
            continue;
        }
        walkedAny = true;
        walk.walk(
            file,
            [&](const QString& path) {
                inputs.paths << path;
                inputs.origins << InputOrigin::Walked;
            },
            complain);
    }
    for (qsizetype i = 0; walkedAny && i < command.extensions.size(); ++i) {
        if (command.extensions.at(i) != u"*" && !walk.patternTookFiles(std::size_t(i)))
            inputs.unmatchedExtensions << command.extensions.at(i);
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
