#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace velmora {

/// How far a run has come, updated by the count as it reads.
struct CountProgress
{
    std::atomic<qint64> bytesDone { 0 };
    std::atomic<int> filesDone { 0 };
};

/// A line on standard error that tells how far a long run has come (bytes done of the total
/// where known, the rate, the files), redrawn in place from a thread of its own once the run
/// has taken a second, and erased when the run ends.
class ProgressLine
{
public:
    /// Only a person at a terminal wants it; a pipe or a file never gets it. Rows written to
    /// that same terminal would run into it, and show how far the run is anyway.
    static bool wanted(bool rowsToStandardOutput);

    /// `totalBytes` is asked only once the line is first drawn, so that a run too short to
    /// show it never spends a call on the sizes of its inputs.
    ProgressLine(const CountProgress& progress, std::function<std::optional<qint64>()> totalBytes,
                 int files);
    /// Erases the line.
    ~ProgressLine();
    Q_DISABLE_COPY_MOVE(ProgressLine)

    /// Runs `write`, which writes to standard error, with the line erased, so that its
    /// message stands on a line of its own.
    void interrupt(const std::function<void()>& write);

private:
    void run();
    void draw();
    void erase();

    const CountProgress& m_progress;
    const std::function<std::optional<qint64>()> m_askTotalBytes;
    std::optional<qint64> m_totalBytes;
    const int m_files;
    const std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false;
    bool m_shown = false;
    std::thread m_thread;
};

} // namespace velmora
