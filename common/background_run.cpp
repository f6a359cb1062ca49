#include "background_run.h"

#include "platform/progress_display.h"

#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace velmora {

void runInBackground(const std::function<void(const JobControl&)>& job, ProgressDisplay& progress,
                     const QString& label, qint64 total, const std::atomic<bool>& stop)
{
    std::atomic<qint64> done { 0 };
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, &loop,
                     [&] { progress.advance(done.load(std::memory_order_relaxed)); });

    progress.begin(label, total);
    std::thread worker([&] {
        job(JobControl { stop, done });
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    ticker.start();
    // The loop also ends early when the application quits; the job has then been told to
    // stop, and joining waits for it to do so.
    loop.exec();
    worker.join();
    ticker.stop();
    progress.advance(done.load());
    progress.end();
}

} // namespace velmora
