#include "background_run.h"

#include "platform/program_end.h"
#include "platform/progress_display.h"

#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace velmora {

void runInBackground(const std::function<void(const JobControl&)>& job, ProgressDisplay& progress,
                     ProgramEnd& programEnd, const QString& label, qint64 total,
                     const std::atomic<bool>& stop)
{
    std::atomic<qint64> done { 0 };
    std::atomic<bool> finished { false };
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        progress.advance(done.load(std::memory_order_relaxed));
        // A stop ends the wait even where no application loop runs that quitting would end.
        if (stop)
            loop.quit();
    });

    progress.begin(label, total);
    std::thread worker([&] {
        job(JobControl { stop, done });
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    ticker.start();
    // The loop also ends early when the application quits or the job is told to stop. The job
    // may then be blocked where no stop reaches it, in a read or an open that never returns,
    // and the window must close at once all the same.
    loop.exec();
    if (stop && !finished)
        programEnd.endNow();
    worker.join();
    ticker.stop();
    progress.advance(done.load());
    progress.end();
}

} // namespace velmora
