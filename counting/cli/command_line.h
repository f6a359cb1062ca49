#pragma once

#include "counting/line_filter.h"
#include "counting/results_writer.h"

#include <QStringList>

#include <optional>

namespace velmora {

/// What `velmora-count` was asked to do.
struct CountCommand
{
    enum class Action { Count, ShowHelp, ShowVersion };
    Action action = Action::Count;
    LineFilter filter;
    /// No value: rows in the order they were counted, streamed straight out.
    std::optional<Qt::SortOrder> sortOrder;
    /// Empty: standard output.
    QString outputPath;
    LineEnding lineEnding = LineEnding::CrLf;
    /// "-" stands for standard input.
    QStringList files;
};

struct ParsedCommandLine
{
    std::optional<CountCommand> command;
    /// Why the arguments make no sense, when `command` is empty.
    QString error;
};

/// Reads the arguments that follow the program name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

QString usageText();

} // namespace velmora
