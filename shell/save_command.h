#pragma once

#include <atomic>

namespace velmora {

class ResultsModel;
struct Platform;

/// "Save Results As New Text File": asks for a name (and before overwriting a file that is
/// there), then writes every row in the order shown, under the busy pointer and with progress
/// shown, and says "Done.". The new content replaces the file only once it is complete: a
/// failure is reported once, with its step's line, and leaves whatever file was there as it
/// was. When `stop` is set (the window is closing) nothing is written over the target.
void saveResults(const ResultsModel& results, Platform& platform, const std::atomic<bool>& stop);

} // namespace velmora
