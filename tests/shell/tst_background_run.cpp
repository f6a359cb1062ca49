#include "fakes/fake_platform.h"
#include "shell/background_run.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <thread>

using namespace velmora;

class TestBackgroundRun : public QObject
{
    Q_OBJECT

private slots:
    void init() { end = {}; }

    void runsTheJobOffTheCallingThreadWhileEventsFlow()
    {
        testing::FakeProgressDisplay progress;
        std::atomic<bool> stop { false };
        std::atomic<bool> release { false };
        const std::thread::id caller = std::this_thread::get_id();
        std::thread::id ranOn;
        int ticksWhileRunning = 0;
        // An event of the calling thread that is only handled while the job runs, and that
        // lets the job finish: proof that the window keeps handling events meanwhile.
        QTimer::singleShot(20, [&] {
            ++ticksWhileRunning;
            release = true;
        });

        runInBackground(
            [&](const JobControl& control) {
                ranOn = std::this_thread::get_id();
                control.done = 40;
                while (!release)
                    std::this_thread::yield();
                control.done = 100;
            },
            progress, end, QStringLiteral("Counting lines"), 100, stop);

        QVERIFY(ranOn != caller);
        QCOMPARE(ticksWhileRunning, 1);
        QCOMPARE(progress.labels, QStringList({ "Counting lines" }));
        QCOMPARE(progress.total, 100);
        QCOMPARE(progress.lastDone, 100);
        QCOMPARE(progress.ended, 1);
    }

    void aJobThatEndsAtOnceStillReturns()
    {
        testing::FakeProgressDisplay progress;
        std::atomic<bool> stop { false };
        runInBackground([](const JobControl&) {}, progress, end, QString(), 0, stop);
        QCOMPARE(progress.ended, 1);
        QCOMPARE(end.calls, 0);
    }

    void quittingTheApplicationEndsTheWaitOnceTheJobStops()
    {
        testing::FakeProgressDisplay progress;
        std::atomic<bool> stop { false };
        QTimer::singleShot(20, [&] {
            stop = true;
            QCoreApplication::quit();
        });
        runInBackground(
            [](const JobControl& control) {
                while (!control.stop)
                    std::this_thread::yield();
            },
            progress, end, QString(), 0, stop);
        QCOMPARE(progress.ended, 1);
    }

    void quittingWhileTheJobIsStuckEndsTheProgramFirst()
    {
        testing::FakeProgressDisplay progress;
        std::atomic<bool> stop { false };
        std::atomic<bool> released { false };
        // The job heeds no stop, as one blocked in a read would not; only the end of the
        // program lets it go.
        end.onEnd = [&] { released = true; };
        QTimer::singleShot(0, [&] {
            stop = true;
            QCoreApplication::quit();
        });
        runInBackground(
            [&](const JobControl&) {
                while (!released)
                    std::this_thread::yield();
            },
            progress, end, QString(), 0, stop);
        QCOMPARE(end.calls, 1);
    }

private:
    testing::FakeProgramEnd end;
};

QTEST_GUILESS_MAIN(TestBackgroundRun)
#include "tst_background_run.moc"
