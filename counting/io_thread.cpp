#include "io_thread.h"

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

void IoThread::post(std::function<void()> job)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { runJobs(); });
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_one();
}

void IoThread::runJobs()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_finishing; });
        if (m_jobs.empty())
            return;
        const std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace velmora
