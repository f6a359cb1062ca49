#include "background_tally.h"

#include <QMetaObject>

namespace velmora {

BackgroundTally::~BackgroundTally()
{
    cancel();
}

void BackgroundTally::start(const ResultStore& store)
{
    cancel();
    m_stop = false;
    m_running = true;
    const quint64 generation = ++m_generation;
    m_thread = std::thread([this, &store, generation] {
        std::optional<LengthTally> tally = LengthTally::of(store, m_stop);
        if (!tally)
            return;
        // Queued: the result is taken on this object's thread, and dropped with the object
        // should it go first (its destructor waits for this thread, so it cannot go sooner).
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = std::move(*tally)] {
                if (generation != m_generation)
                    return;
                m_thread.join();
                m_running = false;
                emit finished(result);
            },
            Qt::QueuedConnection);
    });
}

void BackgroundTally::cancel()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    // A result already on its way is dropped by its generation.
    ++m_generation;
    m_running = false;
}

} // namespace velmora
