// The library's index-carrying quicksorts beside std::sort of (key, index) pairs, on ten million
// keys of each distribution. Each iteration sorts a fresh copy of the keys and a fresh identity
// index; making the copy is not timed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "ratio_reporter.h"
#include "sort_check.h"
#include "sort_inputs.h"

namespace {

using namespace bench;

constexpr benchmark::IterationCount kIterations = 5;

template <typename Key>
const std::vector<Key> &keys_of(Distribution d) {
    if constexpr (std::is_same_v<Key, int32_t>) {
        return int32_keys(d);
    } else {
        return double_keys(d);
    }
}

template <typename Key>
void quicksort_bench(benchmark::State &state, Distribution d,
                     void (*sort)(Key *, int32_t, int32_t *)) {
    const std::vector<Key> &input = keys_of<Key>(d);
    std::vector<Key> keys(input.size());
    std::vector<int32_t> index(input.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(input.begin(), input.end(), keys.begin());
        std::iota(index.begin(), index.end(), 0);
        state.ResumeTiming();
        sort(keys.data(), kKeyCount, index.data());
        benchmark::ClobberMemory();
    }
    if (!arranged(input, keys.data(), index.data())) state.SkipWithError("wrong arrangement");
    state.SetItemsProcessed(state.iterations() * kKeyCount);
}

template <typename Key>
void std_sort_bench(benchmark::State &state, Distribution d) {
    const std::vector<Key> &input = keys_of<Key>(d);
    std::vector<std::pair<Key, int32_t>> pairs(input.size());
    for (auto _ : state) {
        state.PauseTiming();
        for (int32_t i = 0; i < kKeyCount; ++i) {
            pairs[static_cast<std::size_t>(i)] = {input[static_cast<std::size_t>(i)], i};
        }
        state.ResumeTiming();
        std::sort(pairs.begin(), pairs.end());
        benchmark::ClobberMemory();
    }
    std::vector<Key> keys(pairs.size());
    std::vector<int32_t> index(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) std::tie(keys[i], index[i]) = pairs[i];
    if (!arranged(input, keys.data(), index.data())) state.SkipWithError("wrong arrangement");
    state.SetItemsProcessed(state.iterations() * kKeyCount);
}

void configure(benchmark::internal::Benchmark *b) {
    b->Unit(benchmark::kMillisecond)->Iterations(kIterations)->UseRealTime();
}

// For each distribution the quicksort and then std::sort, so that both meet the same state of
// the machine.
template <typename Key>
void register_sorts(const std::string &type, const std::string &quicksort_name,
                    void (*sort)(Key *, int32_t, int32_t *)) {
    for (const Distribution d : kDistributions) {
        const std::string group = type + "/" + name_of(d) + "/";
        configure(benchmark::RegisterBenchmark(
            (group + quicksort_name).c_str(),
            [d, sort](benchmark::State &state) { quicksort_bench<Key>(state, d, sort); }));
        configure(benchmark::RegisterBenchmark(
            (group + "std::sort").c_str(),
            [d](benchmark::State &state) { std_sort_bench<Key>(state, d); }));
    }
}

}  // namespace

int main(int argc, char **argv) {
    register_sorts<int32_t>("int32", "l_quicksort", l_quicksort);
    register_sorts<double>("double", "d_quicksort", d_quicksort);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
