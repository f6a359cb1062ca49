// Feeds arbitrary argument lists to velmora-count's parser: the input cut at NUL bytes, each
// piece taken as main() takes it (its bytes kept, whatever they encode) and as UTF-8. The
// parser never crashes, says why when it refuses, and a command it accepts holds together:
// its files are never empty unless a list names them and are arguments as given, its filter
// is one or the other, and written back as arguments it parses to the same command, numbers
// included.

#include "cli/command_line.h"
#include "common/path_bytes.h"

#include <QByteArrayList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace velmora;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameCommand(const CountCommand& a, const CountCommand& b)
{
    return a.action == b.action && a.filter.mode == b.filter.mode && a.filter.text == b.filter.text
        && a.filter.caseSensitivity == b.filter.caseSensitivity && a.sortOrder == b.sortOrder
        && a.outputPath == b.outputPath && a.lineEnding == b.lineEnding && a.unit == b.unit
        && a.longerThan == b.longerThan && a.shorterThan == b.shorterThan
        && a.withFileName == b.withFileName && a.withLineNumber == b.withLineNumber
        && a.summary == b.summary && a.recursive == b.recursive && a.extensions == b.extensions
        && a.excludes == b.excludes && a.maxDepth == b.maxDepth && a.noIgnore == b.noIgnore
        && a.countBinary == b.countBinary && a.check == b.check && a.format == b.format
        && a.nullAfterPath == b.nullAfterPath && a.emptyFileRow == b.emptyFileRow
        && a.files == b.files && a.namesFrom == b.namesFrom;
}

QString unitName(LengthUnit unit)
{
    switch (unit) {
    case LengthUnit::Utf16:
        return QStringLiteral("utf16");
    case LengthUnit::Chars:
        return QStringLiteral("chars");
    case LengthUnit::Bytes:
        return QStringLiteral("bytes");
    case LengthUnit::Columns:
        return QStringLiteral("columns");
    }
    return {};
}

/// The command written out as arguments again, in the other spellings where there are two.
QStringList asArguments(const CountCommand& command)
{
    QStringList arguments;
    if (command.filter.mode == LineFilterMode::Containing)
        arguments << QStringLiteral("--contains=") + command.filter.text;
    else if (command.filter.mode == LineFilterMode::NotContaining)
        arguments << QStringLiteral("--not-contains") << command.filter.text;
    if (command.filter.caseSensitivity == Qt::CaseSensitive)
        arguments << QStringLiteral("--match-case");
    if (command.sortOrder) {
        arguments << QStringLiteral("--sort")
                  << (*command.sortOrder == Qt::AscendingOrder ? QStringLiteral("asc")
                                                               : QStringLiteral("desc"));
    }
    if (!command.outputPath.isEmpty())
        arguments << QStringLiteral("--output=") + command.outputPath;
    if (command.lineEnding == LineEnding::Lf)
        arguments << QStringLiteral("--lf");
    arguments << QStringLiteral("--units=") + unitName(command.unit);
    if (command.longerThan)
        arguments << QStringLiteral("--longer-than") << QString::number(*command.longerThan);
    if (command.shorterThan)
        arguments << QStringLiteral("--shorter-than=") + QString::number(*command.shorterThan);
    QString letters = QStringLiteral("-");
    if (command.withFileName)
        letters += u'H';
    if (command.withLineNumber)
        letters += u'n';
    if (command.recursive)
        letters += u'r';
    if (command.nullAfterPath)
        letters += u'0';
    if (letters.size() > 1)
        arguments << letters;
    if (command.summary)
        arguments << QStringLiteral("--summary");
    if (command.check)
        arguments << QStringLiteral("--check");
    if (command.format == CountCommand::Format::Lint)
        arguments << QStringLiteral("--format") << QStringLiteral("lint");
    if (command.emptyFileRow)
        arguments << QStringLiteral("--empty-file-row");
    if (command.namesFrom)
        arguments << QStringLiteral("--files0-from=") + *command.namesFrom;
    if (command.noIgnore)
        arguments << QStringLiteral("--no-ignore");
    if (command.countBinary)
        arguments << QStringLiteral("--binary");
    if (command.maxDepth)
        arguments << QStringLiteral("--max-depth=") + QString::number(*command.maxDepth);
    for (const QString& exclude : command.excludes)
        arguments << QStringLiteral("--exclude") << exclude;
    // Each extension alone, with the dot the other spelling allows.
    for (const QString& extension : command.extensions)
        arguments << QStringLiteral("--ext") << u'.' + extension;
    arguments << QStringLiteral("--") << command.files;
    return arguments;
}

/// The plain reading of a whole number from 0: decimal digits alone, no more than 20 of them,
/// and no more than 64 bits hold.
std::optional<std::uint64_t> plainWholeNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t number = 0;
    for (const QChar character : text) {
        if (character < u'0' || character > u'9')
            return std::nullopt;
        const auto digit = std::uint64_t(character.unicode() - u'0');
        if (number > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}

void checkArguments(const QStringList& arguments)
{
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.command) {
        require(!parsed.error.isEmpty());
        return;
    }
    const CountCommand& command = *parsed.command;
    if (command.action != CountCommand::Action::Count) {
        const QStringList names = command.action == CountCommand::Action::ShowHelp
            ? QStringList { QStringLiteral("--help"), QStringLiteral("-h") }
            : QStringList { QStringLiteral("--version"), QStringLiteral("-V") };
        require(std::any_of(arguments.begin(), arguments.end(),
                            [&](const QString& argument) { return names.contains(argument); }));
        return;
    }
    // Names read from a list come at run time, and no FILE may stand beside them.
    require(command.files.isEmpty() == command.namesFrom.has_value());
    for (const QString& extension : command.extensions) {
        require(!extension.isEmpty() && !extension.contains(u',') && !extension.startsWith(u'.')
                && !extension.startsWith(u"*."));
    }
    for (const QString& exclude : command.excludes)
        require(!exclude.isEmpty());
    for (const QString& file : command.files)
        require(arguments.contains(file) || (file == u"-" && command.files.size() == 1));
    require(command.outputPath.isEmpty()
            || std::any_of(arguments.begin(), arguments.end(), [&](const QString& argument) {
                   return argument == command.outputPath
                       || argument.endsWith(u'=' + command.outputPath);
               }));
    require(command.filter.mode != LineFilterMode::Nothing);
    require(command.filter.mode != LineFilterMode::Every || command.filter.text.isEmpty());

    const ParsedCommandLine again = parseCommandLine(asArguments(command));
    require(again.command && sameCommand(*again.command, command));

    // Where no "--" ended the options, the other filter cannot follow.
    if (command.filter.mode != LineFilterMode::Every && !arguments.contains(QStringLiteral("--"))) {
        const QString other = command.filter.mode == LineFilterMode::Containing
            ? QStringLiteral("--not-contains")
            : QStringLiteral("--contains");
        require(!parseCommandLine(arguments + QStringList { other, QStringLiteral("x") }).command);
    }
}

/// A threshold takes exactly the whole numbers its plain reading takes, and keeps their value.
void checkThreshold(const QString& value)
{
    const std::optional<std::uint64_t> expected = plainWholeNumber(value);
    const ParsedCommandLine parsed
        = parseCommandLine({ QStringLiteral("--shorter-than"), value, QStringLiteral("file") });
    require(parsed.command.has_value() == expected.has_value());
    if (expected)
        require(parsed.command->shorterThan == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArrayList pieces = input.split('\0');
    QStringList asGiven;
    QStringList asUtf8;
    for (const QByteArray& piece : pieces) {
        const QString path = pathFromBytes(piece);
        require(pathBytes(path) == piece);
        asGiven << path;
        asUtf8 << QString::fromUtf8(piece);
    }
    checkArguments(asGiven);
    checkArguments(asUtf8);
    checkThreshold(asUtf8.front());
    return 0;
}
