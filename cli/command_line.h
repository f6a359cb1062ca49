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
    /// The layout of each row: the count, a tab and the line (shaped by the options below), or
    /// a compiler's message, PATH:LINE:COL: line is COUNT UNIT long, for editors.
    enum class Format { Rows, Lint };
    Format format = Format::Rows;
    /// Rows begin with the file's path, then with the line number.
    bool withFileName = false;
    bool withLineNumber = false;
    /// One line per file instead of rows.
    bool summary = false;
    /// Folders are walked in the window's order, taking the files that "*.<extension>"
    /// matches for one of `extensions` (none: every file), leaving out what ignore files and
    /// `excludes` name.
    bool recursive = false;
    /// Without a leading "." or "*."; never empty, and "*" for every file.
    QStringList extensions;
    /// Patterns in .gitignore syntax, matched against the paths below a walked folder.
    QStringList excludes;
    /// How many folders below a walked one files are taken from.
    std::optional<std::uint64_t> maxDepth;
    /// .gitignore, .ignore and git's exclude files are not read.
    bool noIgnore = false;
    /// Walked files that look binary are counted too.
    bool countBinary = false;
    /// How many files are counted at once; 0: as many as the processor has cores.
    unsigned threads = 0;
    /// The exit status says whether any row passed.
    bool check = false;
    /// A NUL follows each path instead of the tab, the ':' or the line end that would.
    bool nullAfterPath = false;
    /// A file of zero bytes gives the window's row "10<TAB>empty file" instead of none.
    bool emptyFileRow = false;
    /// "-" stands for standard input; never empty unless the names come from `namesFrom`.
    QStringList files;
    /// The file ("-": standard input) that holds the names of the files, each ended by a NUL.
    std::optional<QString> namesFrom;
};

struct ParsedCommandLine
{
    std::optional<CountCommand> command;
    /// Why the arguments make no sense, when `command` is empty.
    QString error;
};

/// Reads the arguments that follow the program name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

/// What ends each row the command writes.
LineEnding rowEnding(const CountCommand& command);

QString usageText();

} // namespace velmora
