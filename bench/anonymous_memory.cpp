#include "anonymous_memory.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>

double anonymousMemoryMiB()
{
    // The kernel's running total, cheap to read; smaps_rollup walks every page table and
    // would cost the measured program more than the work measured.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("RssAnon:", 0) == 0)
            return std::stod(line.substr(8)) / 1024.0;
    }
    return 0;
}

AnonymousMemoryPeak::AnonymousMemoryPeak()
    : m_thread([this] {
        while (!m_stop.load()) {
            const double now = anonymousMemoryMiB();
            if (now > m_peak.load())
                m_peak.store(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    })
{ }

AnonymousMemoryPeak::~AnonymousMemoryPeak()
{
    m_stop.store(true);
    m_thread.join();
}

double AnonymousMemoryPeak::peakMiB() const
{
    return std::max(m_peak.load(), anonymousMemoryMiB());
}

void AnonymousMemoryPeak::restart()
{
    m_peak.store(anonymousMemoryMiB());
}
