#include "interruption.h"

#include "common/replacing_output_file.h"

#include <csignal>
#include <cstdlib>

namespace velmora {

namespace {

std::atomic<bool> interrupted { false };
std::atomic<int> firstSignal { 0 };

constexpr int caughtSignals[] = { SIGINT, SIGTERM, SIGHUP };

extern "C" void onInterrupt(int number)
{
    int none = 0;
    if (!firstSignal.compare_exchange_strong(none, number)) {
        removeUnfinishedOutputFiles();
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    interrupted.store(true);
}

} // namespace

void catchInterruptions()
{
    for (const int number : caughtSignals) {
        struct sigaction previous
        {
        };
        if (sigaction(number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        // No SA_RESTART: a write blocked on a full pipe returns, so the run can stop there.
        struct sigaction action
        {
        };
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(number, &action, nullptr);
    }
}

const std::atomic<bool>& interruption()
{
    return interrupted;
}

void endByInterruption()
{
    const int number = firstSignal.load();
    std::signal(number, SIG_DFL);
    std::raise(number);
    std::_Exit(128 + number);
}

} // namespace velmora
