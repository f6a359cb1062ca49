#pragma once

#include <QString>

#include <atomic>
#include <functional>

namespace velmora {

class ProgramEnd;
class ProgressDisplay;

/// What a background job sees: whether it should stop, and where to count its progress.
struct JobControl
{
    const std::atomic<bool>& stop;
    std::atomic<qint64>& done;
};

/// Runs `job` on a worker thread and returns when it has finished. Meanwhile the calling
/// user-interface thread goes on handling events (the window repaints) and `progress` shows
/// how far the job has come out of `total`. The job must return soon once `stop` is set; when
/// the application quits with `stop` set before the job has ended, `programEnd` ends the
/// program without waiting for it.
void runInBackground(const std::function<void(const JobControl&)>& job, ProgressDisplay& progress,
                     ProgramEnd& programEnd, const QString& label, qint64 total,
                     const std::atomic<bool>& stop);

} // namespace velmora
