#include "io_thread.h"

#include <algorithm>

namespace velmora {

IoThread::~IoThread()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_one();
    m_thread.join();
}

void IoThread::post(std::function<void()> job, Where where)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { runJobs(); });
        m_jobs.push_back({ std::move(job), where });
    }
    m_changed.notify_one();
}

bool IoThread::runWaitingJob()
{
    std::unique_lock lock(m_mutex);
    const auto found = std::find_if(m_jobs.begin(), m_jobs.end(),
                                    [](const Job& job) { return job.where == Where::Anywhere; });
    if (found == m_jobs.end())
        return false;
    const std::function<void()> job = std::move(found->run);
    m_jobs.erase(found);
    lock.unlock();
    job();
    return true;
}

void IoThread::runJobs()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_finishing; });
        if (m_jobs.empty())
            return;
        const std::function<void()> job = std::move(m_jobs.front().run);
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace velmora
