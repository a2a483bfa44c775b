// The console report of Google Benchmark, plus the time ratio of each sort to std::sort on the
// same input once all benchmarks have run.
#ifndef VARNOKE_BENCH_RATIO_REPORTER_H
#define VARNOKE_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace bench {

// Benchmarks are named "<group>/<sort>", e.g. "int32/random/l_quicksort"; each sort of a group is
// compared with the group's "std::sort".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Coloured output only on a terminal, as Google Benchmark's own console report does.
    RatioReporter();

    void ReportRuns(const std::vector<Run> &runs) override;

    // One line per sort and group that both ran, e.g.
    // "ratio l_quicksort/std::sort (int32, random): 1.52".
    void PrintRatios() const;

private:
    std::vector<std::pair<std::string, double>> real_times_;  // name, adjusted real time
};

}  // namespace bench

#endif
