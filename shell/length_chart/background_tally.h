#pragma once

#include "counting/rows/length_tally.h"

#include <QObject>

#include <atomic>
#include <thread>

namespace velmora {

class ResultStore;

/// Tallies a store's counts on a thread of its own, so that hundreds of millions of rows never
/// hold up the window. One tally at a time: a new one, or cancel(), stops the one under way and
/// waits for it, which takes no longer than a few thousand rows.
class BackgroundTally final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~BackgroundTally() override;

    /// Starts tallying `store`, which must stay unchanged until finished() or cancel().
    void start(const ResultStore& store);
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    /// On this object's thread, for the last tally started and not cancelled.
    void finished(const velmora::LengthTally& tally);

private:
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    /// Tells a finished tally from one started after it.
    quint64 m_generation = 0;
    bool m_running = false;
};

} // namespace velmora
