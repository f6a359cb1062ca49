#include "command_line.h"

#include <algorithm>

namespace velmora {

namespace {

/// Whether arguments[i] is the option `name`, and its value, given as "NAME VALUE" or, for
/// long names, "--name=VALUE"; no value when the arguments end after the name.
struct OptionValue
{
    bool matched = false;
    std::optional<QString> value;
};

OptionValue optionValue(const QString& name, const QStringList& arguments, qsizetype& i)
{
    const QString& argument = arguments.at(i);
    if (argument == name) {
        if (i + 1 >= arguments.size())
            return { true, std::nullopt };
        return { true, arguments.at(++i) };
    }
    const QString withValue = name + u'=';
    if (name.startsWith(u"--") && argument.startsWith(withValue))
        return { true, argument.mid(withValue.size()) };
    return {};
}

/// More threads than this would only wait on each other for the output.
constexpr std::uint64_t maxThreads = 1024;

/// A whole number from 0 written in decimal digits alone.
std::optional<std::uint64_t> wholeNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    for (const QChar character : text) {
        if (character < u'0' || character > u'9')
            return std::nullopt;
    }
    bool fits = false;
    const qulonglong number = text.toULongLong(&fits);
    if (!fits)
        return std::nullopt;
    return std::uint64_t(number);
}

/// "a, b or c".
QString listedAsChoices(const QStringList& choices)
{
    QString text;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (i > 0)
            text += i + 1 < choices.size() ? QStringLiteral(", ") : QStringLiteral(" or ");
        text += choices.at(i);
    }
    return text;
}

/// The names `--units` takes: "utf16, chars, bytes or columns".
QString unitChoices()
{
    QStringList names;
    for (const LengthUnitName& unit : lengthUnitNames)
        names << QLatin1StringView(unit.name);
    return listedAsChoices(names);
}

/// An option's lines in the help: its name, and its text from the 25th column on, wrapped at
/// word ends to stay within 80 columns.
QString optionHelp(const QString& option, const QString& text)
{
    constexpr qsizetype textColumn = 24;
    constexpr qsizetype width = 80;
    QString help = QStringLiteral("  ") + option;
    qsizetype lineStart = 0;
    bool lineHasWords = false;
    for (const QString& word : text.split(u' ')) {
        const qsizetype wordStart = help.size() + (lineHasWords ? 1 : 0);
        if (lineHasWords && wordStart - lineStart + word.size() >= width) {
            help += u'\n';
            lineStart = help.size();
            lineHasWords = false;
        }
        if (!lineHasWords)
            help += QString(std::max<qsizetype>(1, textColumn - (help.size() - lineStart)), u' ');
        else
            help += u' ';
        help += word;
        lineHasWords = true;
    }
    return help + u'\n';
}

/// What `--units` does, each unit with its meaning.
QString unitsHelp()
{
    QStringList units;
    for (const LengthUnitName& unit : lengthUnitNames) {
        units << QStringLiteral("%1 (%2)").arg(QLatin1StringView(unit.name),
                                               QLatin1StringView(unit.meaning));
    }
    return optionHelp(QStringLiteral("--units UNIT"),
                      QStringLiteral("count in ") + listedAsChoices(units));
}

/// An option without a value that switches something on; `letter` is its short form, if any.
struct Flag
{
    char16_t letter;
    const char16_t* name;
    bool CountCommand::*member;
};

constexpr Flag flags[] = {
    { u'H', u"--with-filename", &CountCommand::withFileName },
    { u'n', u"--line-number", &CountCommand::withLineNumber },
    { u'r', u"--recursive", &CountCommand::recursive },
    { 0, u"--no-ignore", &CountCommand::noIgnore },
    { 0, u"--binary", &CountCommand::countBinary },
    { 0, u"--summary", &CountCommand::summary },
    { 0, u"--check", &CountCommand::check },
    { u'0', u"--null", &CountCommand::nullAfterPath },
    { 0, u"--empty-file-row", &CountCommand::emptyFileRow },
};

const Flag* flagNamed(const QString& argument)
{
    for (const Flag& flag : flags) {
        if (argument == QStringView(flag.name))
            return &flag;
    }
    return nullptr;
}

const Flag* flagWithLetter(QChar letter)
{
    for (const Flag& flag : flags) {
        if (flag.letter != 0 && letter == QChar(flag.letter))
            return &flag;
    }
    return nullptr;
}

/// Sets the flags of `argument`, a long flag or a bundle of short ones such as "-rHn"; false,
/// with nothing set, when it is neither.
bool setFlags(const QString& argument, CountCommand& command)
{
    if (const Flag* flag = flagNamed(argument)) {
        command.*flag->member = true;
        return true;
    }
    if (argument.size() < 2 || argument.startsWith(u"--"))
        return false;
    for (qsizetype i = 1; i < argument.size(); ++i) {
        if (!flagWithLetter(argument.at(i)))
            return false;
    }
    for (qsizetype i = 1; i < argument.size(); ++i)
        command.*flagWithLetter(argument.at(i))->member = true;
    return true;
}

/// The extensions of one --ext value ("h,cpp", ".md", "*.md"), as the walk's patterns take
/// them; nothing when one of them is empty.
std::optional<QStringList> extensionsIn(const QString& value)
{
    QStringList extensions;
    for (QString extension : value.split(u',')) {
        // Shells and other tools spell an extension with its dot or as a glob: all mean one.
        while (extension.startsWith(u"*.") || extension.startsWith(u'.'))
            extension.remove(0, extension.startsWith(u'.') ? 1 : 2);
        if (extension.isEmpty())
            return std::nullopt;
        extensions << extension;
    }
    return extensions;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments)
{
    CountCommand command;
    bool containsGiven = false;
    bool notContainsGiven = false;
    bool optionsEnded = false;
    const auto fail = [](const QString& error) {
        return ParsedCommandLine { std::nullopt, error };
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || argument == u"-" || !argument.startsWith(u'-')) {
            command.files << argument;
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        if (argument == u"--help" || argument == u"-h") {
            command.action = CountCommand::Action::ShowHelp;
            return { command, {} };
        }
        if (argument == u"--version" || argument == u"-V") {
            command.action = CountCommand::Action::ShowVersion;
            return { command, {} };
        }
        if (argument == u"--match-case") {
            command.filter.caseSensitivity = Qt::CaseSensitive;
            continue;
        }
        if (argument == u"--lf") {
            command.lineEnding = LineEnding::Lf;
            continue;
        }
        if (setFlags(argument, command))
            continue;

        bool matched = false;
        for (const QString& name :
             { QStringLiteral("--contains"), QStringLiteral("--not-contains"),
               QStringLiteral("--sort"), QStringLiteral("-o"), QStringLiteral("--output"),
               QStringLiteral("--longer-than"), QStringLiteral("--shorter-than"),
               QStringLiteral("--units"), QStringLiteral("--ext"), QStringLiteral("--exclude"),
               QStringLiteral("--max-depth"), QStringLiteral("--format"),
               QStringLiteral("--files0-from"), QStringLiteral("--threads"),
               QStringLiteral("-j") }) {
            const OptionValue option = optionValue(name, arguments, i);
            if (!option.matched)
                continue;
            matched = true;
            if (!option.value)
                return fail(QStringLiteral("option '%1' needs an argument").arg(name));
            const QString& value = *option.value;
            if (name == u"--contains" || name == u"--not-contains") {
                const bool contains = name == u"--contains";
                (contains ? containsGiven : notContainsGiven) = true;
                if (containsGiven && notContainsGiven) {
                    return fail(
                        QStringLiteral("--contains and --not-contains cannot be used together"));
                }
                command.filter.mode
                    = contains ? LineFilterMode::Containing : LineFilterMode::NotContaining;
                command.filter.text = value;
            } else if (name == u"--sort") {
                if (value == u"desc")
                    command.sortOrder = Qt::DescendingOrder;
                else if (value == u"asc")
                    command.sortOrder = Qt::AscendingOrder;
                else
                    return fail(QStringLiteral("--sort takes desc or asc, not '%1'").arg(value));
            } else if (name == u"--longer-than" || name == u"--shorter-than") {
                const std::optional<std::uint64_t> number = wholeNumber(value);
                if (!number) {
                    return fail(QStringLiteral("%1 takes a whole number from 0, not '%2'")
                                    .arg(name, value));
                }
                (name == u"--longer-than" ? command.longerThan : command.shorterThan) = number;
            } else if (name == u"--threads" || name == u"-j") {
                const std::optional<std::uint64_t> number = wholeNumber(value);
                if (!number || *number == 0 || *number > maxThreads) {
                    return fail(QStringLiteral("%1 takes a number of threads from 1 to %2, not "
                                               "'%3'")
                                    .arg(name)
                                    .arg(maxThreads)
                                    .arg(value));
                }
                command.threads = unsigned(*number);
            } else if (name == u"--units") {
                const std::optional<LengthUnit> unit = lengthUnitNamed(value.toStdString());
                if (!unit) {
                    return fail(
                        QStringLiteral("--units takes %1, not '%2'").arg(unitChoices(), value));
                }
                command.unit = *unit;
            } else if (name == u"--format") {
                if (value == u"rows")
                    command.format = CountCommand::Format::Rows;
                else if (value == u"lint")
                    command.format = CountCommand::Format::Lint;
                else
                    return fail(QStringLiteral("--format takes rows or lint, not '%1'").arg(value));
            } else if (name == u"--files0-from") {
                if (value.isEmpty())
                    return fail(QStringLiteral("option '%1' needs a file name, not an empty text")
                                    .arg(name));
                command.namesFrom = value;
            } else if (name == u"--ext") {
                const std::optional<QStringList> extensions = extensionsIn(value);
                if (!extensions) {
                    return fail(QStringLiteral("--ext takes an extension such as txt, a list "
                                               "such as h,cpp, or *, not '%1'")
                                    .arg(value));
                }
                command.extensions << *extensions;
            } else if (name == u"--exclude") {
                if (value.isEmpty())
                    return fail(QStringLiteral("--exclude takes a pattern such as build/"));
                command.excludes << value;
            } else if (name == u"--max-depth") {
                const std::optional<std::uint64_t> depth = wholeNumber(value);
                if (!depth) {
                    return fail(QStringLiteral("--max-depth takes a whole number from 0, not '%1'")
                                    .arg(value));
                }
                command.maxDepth = depth;
            } else {
                // An empty name is most often a variable a script forgot to set; writing to
                // standard output instead would report success for a file never written.
                if (value.isEmpty())
                    return fail(QStringLiteral("option '%1' needs a file name, not an empty text")
                                    .arg(name));
                command.outputPath = value;
            }
            break;
        }
        if (!matched)
            return fail(QStringLiteral("unknown option '%1'").arg(argument));
    }
    if (command.namesFrom) {
        // As wc has it: names from two places would leave unclear which were meant.
        if (!command.files.isEmpty()) {
            return fail(QStringLiteral("extra operand '%1'\nfile operands cannot be combined "
                                       "with --files0-from")
                            .arg(command.files.first()));
        }
    } else if (command.files.isEmpty()) {
        command.files << QStringLiteral("-");
    }
    if (command.summary && command.format == CountCommand::Format::Lint)
        return fail(QStringLiteral("--summary cannot be used with --format lint"));
    return { command, {} };
}

LineEnding rowEnding(const CountCommand& command)
{
    // Editors read their messages line by line with line feeds; a summary's line ends in its
    // path, which -0 ends with a NUL.
    if (command.format == CountCommand::Format::Lint)
        return LineEnding::Lf;
    if (command.summary && command.nullAfterPath)
        return LineEnding::Nul;
    return command.lineEnding;
}

QString usageText()
{
    return QStringLiteral(
               "Usage: velmora-count [OPTION]... [FILE]...\n"
               "Counts the characters of every line of the FILEs and writes one row per line:\n"
               "the count, a tab and the line. Empty lines give no row, nor does a file of zero\n"
               "bytes. With no FILE, or when FILE is \"-\", reads standard input.\n"
               "\n"
               "Which lines:\n"
               "  --contains TEXT       only lines that contain TEXT\n"
               "  --not-contains TEXT   only lines that do not contain TEXT\n"
               "  --match-case          compare TEXT with exact letter case\n"
               "  --longer-than N       only lines whose count is greater than N\n"
               "  --shorter-than N      only lines whose count is less than N\n")
        + unitsHelp()
        + QStringLiteral(
               "\n"
               "Which files:\n"
               "  -r, --recursive       walk folders as the window's \"Add All Text File(s) In\n"
               "                        Folder\" does: level by level, sorted by name, hidden\n"
               "                        folders and names beginning with ~ left out; what\n"
               "                        .gitignore (in a git work tree), .ignore and git's\n"
               "                        exclude files name is left out, and so are files whose\n"
               "                        first block holds a NUL byte (but for UTF-16 text)\n"
               "  --ext EXT             in walked folders, only files *.EXT; repeat it or give\n"
               "                        a list (--ext h,cpp); .EXT and *.EXT mean the same (*\n"
               "                        for every file, the default)\n"
               "  --exclude GLOB        in walked folders, leave out the files and folders GLOB\n"
               "                        matches (.gitignore syntax, against the path below the\n"
               "                        walked folder); may be repeated\n"
               "  --max-depth N         take files at most N folders below a walked one (0: its\n"
               "                        own files only)\n"
               "  --no-ignore           read no .gitignore, .ignore or git exclude file\n"
               "  --binary              count walked files that look binary too (a FILE named\n"
               "                        on the command line is always counted)\n"
               "  --files0-from=F       read the FILEs from F, each ended by a NUL as find\n"
               "                        -print0 writes them (\"-\": standard input); no FILE\n"
               "                        may be given as well\n"
               "\n"
               "What to write:\n"
               "  -H, --with-filename   begin each row with the file's path and a tab\n"
               "  -n, --line-number     begin each row with the line's number and a tab\n"
               "                        (after the path): PATH<TAB>LINE<TAB>COUNT<TAB>TEXT\n"
               "  --summary             instead of rows, one line per file:\n"
               "                        ROWS<TAB>LONGEST<TAB>PATH, and for several files a last\n"
               "                        line ROWS<TAB>LONGEST<TAB>total\n"
               "  --format rows|lint    rows as above (the default), or lint: messages that\n"
               "                        editors and CI jump to, each ended by a line feed:\n"
               "                        PATH:LINE:COL: line is COUNT UNIT long (limit N),\n"
               "                        COL the first character (from 1) past --longer-than's\n"
               "                        N, or 1 without it; -H and -n add nothing to it, and\n"
               "                        it cannot be used with --summary\n"
               "  -0, --null            a NUL after each path instead of what follows it: the\n"
               "                        tab (-H), the ':' (lint) or the line end (--summary)\n"
               "  --empty-file-row      a file of zero bytes gives the window's row\n"
               "                        10<TAB>empty file; with no option that shapes rows\n"
               "                        the output then equals the window's saved file\n"
               "  --sort desc|asc       order the rows (or summary lines, by LONGEST) by count;\n"
               "                        equal counts keep their order\n"
               "  -o, --output FILE     write to FILE (\"-\": standard output); FILE is replaced\n"
               "                        only once complete, so it may be one of the inputs\n"
               "  --lf                  end rows with a line feed instead of CR LF\n"
               "  --check               exit 0 when no row passed, 1 when one did, 2 on trouble\n"
               "  -j, --threads N       count N files at once (the default: one per core); rows\n"
               "                        and messages come out in the same order whatever N is\n"
               "  -h, --help            show this help and exit\n"
               "  -V, --version         show the version and exit\n"
               "\n"
               "A progress line appears on standard error when it is a terminal that the rows\n"
               "do not go to, and the count takes longer than a second.\n"
               "\n"
               "Examples:\n"
               "  velmora-count -rHn --ext cpp --longer-than 100 --sort desc src\n"
               "      the lines of the C++ files under src longer than 100, longest first\n"
               "  velmora-count -rHn --ext md --units columns --longer-than 80 --check docs\n"
               "      a CI gate: fails (exit 1) when a Markdown line is wider than 80 columns\n"
               "  velmora-count -n --units columns --longer-than 42 --lf film.srt\n"
               "      subtitle lines too wide to read, with their line numbers\n"
               "  velmora-count -r --format lint --ext py --longer-than 79 src\n"
               "      messages an editor's quickfix list jumps through\n"
               "  find . -name '*.txt' -print0 | velmora-count --files0-from=- --summary\n"
               "      any file name, even one holding a line feed, reaches the count whole\n"
               "\n"
               "Exit status: 0 when every file was counted, 1 when a file could not be read or\n"
               "the output could not be written, 2 for wrong usage. With --check: 0 when no row\n"
               "passed, 1 when at least one did, 2 when a file could not be read, the output\n"
               "could not be written, or for wrong usage.\n");
}

} // namespace velmora
