// The console report of Google Benchmark, plus a table of the time ratio of each sort to
// std::sort on the same input once all benchmarks have run.
#ifndef VARNOKE_BENCH_RATIO_REPORTER_H
#define VARNOKE_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace bench {

// Benchmarks are named "<type>/<shape>/<sort>", e.g. "int32/random/l_quicksort", and each name
// runs once per round. The n-th run of a sort is paired with the n-th run of "std::sort" of the
// same type and shape, and the table shows the median of those ratios and their range. CPU time,
// so that time spent waiting for the processor on a busy machine does not count.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Coloured output only on a terminal, as Google Benchmark's own console report does.
    RatioReporter();

    void ReportRuns(const std::vector<Run> &runs) override;

    // A Markdown table with one row per shape and one column per type and sort, e.g.
    // "| random | 0.62 (0.58-0.66) | 0.65 (0.61-0.69) |"; "-" where a sort or its reference did
    // not run.
    void PrintRatios() const;

private:
    std::vector<std::pair<std::string, double>> times_;  // name, CPU time, in run order
};

}  // namespace bench

#endif
