#pragma once

#include <atomic>
#include <thread>

/// The process's anonymous memory, the part that only swap could take away from it: heap and
/// private pages, not the files it maps, which the system can drop and read again.
double anonymousMemoryMiB();

/// Samples anonymousMemoryMiB() every few milliseconds on a thread of its own, for the peak
/// that a look now and then would miss.
class AnonymousMemoryPeak
{
public:
    AnonymousMemoryPeak();
    ~AnonymousMemoryPeak();
    AnonymousMemoryPeak(const AnonymousMemoryPeak&) = delete;
    AnonymousMemoryPeak& operator=(const AnonymousMemoryPeak&) = delete;

    /// The largest value seen since the start or the last restart().
    double peakMiB() const;
    void restart();

private:
    std::atomic<double> m_peak { 0 };
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};
