#include "command_line.h"

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
        if (argument == u"--version") {
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

        bool matched = false;
        for (const QString& name :
             { QStringLiteral("--contains"), QStringLiteral("--not-contains"),
               QStringLiteral("--sort"), QStringLiteral("-o"), QStringLiteral("--output") }) {
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
            } else {
                command.outputPath = value;
            }
            break;
        }
        if (!matched)
            return fail(QStringLiteral("unknown option '%1'").arg(argument));
    }
    if (command.files.isEmpty())
        return fail(QStringLiteral("no FILE given"));
    return { command, {} };
}

QString usageText()
{
    return QStringLiteral(
        "Usage: velmora-count [OPTION]... FILE...\n"
        "Counts the characters of every line of the FILEs and writes one row per line:\n"
        "the count, a tab and the line. Empty lines give no row. \"-\" reads standard input.\n"
        "\n"
        "  --contains TEXT      only lines that contain TEXT\n"
        "  --not-contains TEXT  only lines that do not contain TEXT\n"
        "  --match-case         compare TEXT with exact letter case\n"
        "  --sort desc|asc      order the rows by count; equal counts keep their order\n"
        "  -o, --output FILE    write to FILE instead of standard output\n"
        "  --lf                 end rows with a line feed instead of CR LF\n"
        "  --help               show this help and exit\n"
        "  --version            show the version and exit\n"
        "\n"
        "Exit status: 0 when every file was counted, 1 when a file could not be read or the\n"
        "output could not be written, 2 for wrong usage.\n");
}

} // namespace velmora
