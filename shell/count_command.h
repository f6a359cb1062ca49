#pragma once

#include "counting/match/line_filter.h"

#include <QStringList>

#include <atomic>

namespace velmora {

class ResultsModel;
struct Platform;

/// "Start Counting": counts every listed file into the results list, in list order. With no
/// files it only says "No files added." Otherwise, under the busy pointer and with progress
/// shown, it empties the results, reads the files on a worker thread (the window keeps
/// repainting but takes no input), shows the new rows, reports each file that failed with its
/// step's line, and ends with "Done.". When `stop` is set (the window is closing) it ends as
/// soon as it can and shows nothing more.
void countListedFiles(const QStringList& paths, const LineFilter& filter, ResultsModel& results,
                      Platform& platform, const std::atomic<bool>& stop);

} // namespace velmora
