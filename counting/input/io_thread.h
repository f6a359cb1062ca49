#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velmora {

/// Runs jobs one after another, in the order they were given, on one thread of its own that
/// starts with the first job. The reads of a large input and the writes of the results go
/// through one of these, so that the count keeps a core to itself on a machine of two; a job
/// that may run anywhere (a read at a fixed offset) is taken over by a thread that would
/// otherwise wait for this one.
class IoThread
{
public:
    enum class Where { OnItsThread, Anywhere };

    IoThread() = default;
    /// Runs the jobs still waiting, then ends the thread.
    ~IoThread();
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;

    /// Runs `job` after every job given before it, or, when it may run anywhere, on a thread
    /// that calls runWaitingJob() first. Throws std::system_error when there is no thread to
    /// be had.
    void post(std::function<void()> job, Where where = Where::OnItsThread);
    /// Runs the oldest waiting job that may run anywhere on the calling thread; false when
    /// there is none.
    bool runWaitingJob();
    /// Waits on `changed`, under `lock`, until `done()` holds, running meanwhile the jobs that
    /// may run anywhere rather than waiting for this thread to come to them.
    template<typename Done>
    void waitRunningJobs(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                         Done done)
    {
        while (!done()) {
            lock.unlock();
            const bool ran = runWaitingJob();
            lock.lock();
            if (!ran)
                changed.wait(lock, done);
        }
    }

private:
    struct Job
    {
        std::function<void()> run;
        Where where;
    };

    void runJobs();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_finishing = false;
    std::thread m_thread;
};

} // namespace velmora
