#pragma once

#include "counting/match/line_filter.h"
#include "counting/output/results_writer.h"
#include "counting/text/length_unit.h"

#include <QStringList>

#include <cstdint>
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
    LengthUnit unit = LengthUnit::Utf16;
    /// Rows pass when their count is greater than `longerThan` and less than `shorterThan`.
    std::optional<std::uint64_t> longerThan;
    std::optional<std::uint64_t> shorterThan;
    /// Rows begin with the file's path, then with the line number.
    bool withFileName = false;
    bool withLineNumber = false;
    /// One line per file instead of rows.
    bool summary = false;
    /// Folders are walked as the window's folder add walks them, taking the files that
    /// "*.<extension>" matches.
    bool recursive = false;
    QString extension = QStringLiteral("*");
    /// How many files are counted at once; 0: as many as the processor has cores.
    unsigned threads = 0;
    /// The exit status says whether any row passed.
    bool check = false;
    /// "-" stands for standard input; never empty.
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
