// Measures the path the window takes: count a file into the result store, then order the
// rows by count in both directions. Prints medians over several rounds and the peak memory
// against the input size: all of it, and the anonymous part that the system cannot page out
// to the file it came from.

#include "anonymous_memory.h"
#include "counting/rows/result_order.h"
#include "counting/rows/result_store.h"
#include "counting/scan/count_file.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

using namespace velmora;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double peakMemoryMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s INPUT [ROUNDS]\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::vector<double> countTimes;
    std::vector<double> descendingTimes;
    std::vector<double> ascendingTimes;
    int rows = 0;
    AnonymousMemoryPeak anonymous;
    for (int round = 0; round < rounds; ++round) {
        ResultStore store;
        auto start = Clock::now();
        const FileCountOutcome outcome = countFile(path, LineFilter {}, store);
        countTimes.push_back(secondsSince(start));
        if (outcome.kind != FileCountOutcome::Kind::Counted) {
            std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(outcome.description));
            return 1;
        }
        rows = store.rowCount();
        ResultOrder order;
        order.reset(store.rowCount());
        start = Clock::now();
        order.sortByCount(store, Qt::DescendingOrder);
        descendingTimes.push_back(secondsSince(start));
        start = Clock::now();
        order.sortByCount(store, Qt::AscendingOrder);
        ascendingTimes.push_back(secondsSince(start));
    }
    const double inputMiB = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    std::printf("store: %d rows\n", rows);
    std::printf("store: count into store  median %.3f s\n", median(countTimes));
    std::printf("store: sort descending   median %.3f s\n", median(descendingTimes));
    std::printf("store: sort ascending    median %.3f s\n", median(ascendingTimes));
    std::printf("store: peak memory %.0f MiB for %.0f MiB of input (%.2f x)\n", peakMemoryMiB(),
                inputMiB, peakMemoryMiB() / inputMiB);
    std::printf("store: peak anonymous memory %.0f MiB (%.2f x input; target at most 0.35 x)\n",
                anonymous.peakMiB(), anonymous.peakMiB() / inputMiB);
    return 0;
}
