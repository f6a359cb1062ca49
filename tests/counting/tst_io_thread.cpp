#include "counting/input/io_thread.h"

#include <QTest>

#include <future>
#include <vector>

using namespace velmora;

class TestIoThread : public QObject
{
    Q_OBJECT

private slots:
    void jobsRunInTheOrderGiven()
    {
        std::vector<int> order;
        {
            IoThread thread;
            for (int job = 0; job < 100; ++job)
                thread.post([&order, job] { order.push_back(job); });
        }
        QCOMPARE(int(order.size()), 100);
        for (int job = 0; job < 100; ++job)
            QCOMPARE(order[std::size_t(job)], job);
    }

    void aWaitingThreadTakesOnlyJobsThatMayRunAnywhere()
    {
        // The thread is kept busy, so that what follows still waits.
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        IoThread thread;
        thread.post([released] { released.wait(); });
        bool written = false;
        bool read = false;
        thread.post([&written] { written = true; });
        thread.post([&read] { read = true; }, IoThread::Where::Anywhere);

        QVERIFY(thread.runWaitingJob());
        QVERIFY(read);
        // A write stays in its place behind the writes before it.
        QVERIFY(!thread.runWaitingJob());
        QVERIFY(!written);
        release.set_value();
        std::promise<void> later;
        thread.post([&later] { later.set_value(); });
        later.get_future().wait();
        QVERIFY(written);
    }
};

QTEST_APPLESS_MAIN(TestIoThread)
#include "tst_io_thread.moc"
