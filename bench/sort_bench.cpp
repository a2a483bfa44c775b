// The library's index-carrying quicksorts beside std::sort of (key, index) pairs ordered by the
// key alone, on ten million keys of each shape. For each shape the two sorts take turns, round
// after round, so that both meet the same state of the machine; each run sorts a fresh copy of
// the keys and a fresh identity index, and making the copy is not timed. bench/sort_ratios.sh
// runs it and adds the table of the time ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "sort_inputs.h"

namespace {

using namespace bench;

constexpr int kRounds = 5;

// True when `keys` ascend and `index` is a permutation with keys[i] == input[index[i]] for all i.
template <typename Key>
bool arranged(const std::vector<Key> &input, const Key *keys, const int32_t *index) {
    std::vector<bool> seen(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (i > 0 && keys[i] < keys[i - 1]) return false;
        if (index[i] < 0 || static_cast<std::size_t>(index[i]) >= input.size()) return false;
        const auto from = static_cast<std::size_t>(index[i]);
        if (seen[from] || !(input[from] == keys[i])) return false;
        seen[from] = true;
    }
    return true;
}

template <typename Key>
const std::vector<Key> &keys_of(Shape s) {
    if constexpr (std::is_same_v<Key, int32_t>) {
        return int32_keys(s);
    } else {
        return double_keys(s);
    }
}

template <typename Key>
void quicksort_bench(benchmark::State &state, Shape s, void (*sort)(Key *, int32_t, int32_t *)) {
    const std::vector<Key> &input = keys_of<Key>(s);
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
void std_sort_bench(benchmark::State &state, Shape s) {
    const std::vector<Key> &input = keys_of<Key>(s);
    std::vector<std::pair<Key, int32_t>> pairs(input.size());
    for (auto _ : state) {
        state.PauseTiming();
        for (int32_t i = 0; i < kKeyCount; ++i) {
            pairs[static_cast<std::size_t>(i)] = {input[static_cast<std::size_t>(i)], i};
        }
        state.ResumeTiming();
        std::sort(pairs.begin(), pairs.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        benchmark::ClobberMemory();
    }
    std::vector<Key> keys(pairs.size());
    std::vector<int32_t> index(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) std::tie(keys[i], index[i]) = pairs[i];
    if (!arranged(input, keys.data(), index.data())) state.SkipWithError("wrong arrangement");
    state.SetItemsProcessed(state.iterations() * kKeyCount);
}

void configure(benchmark::internal::Benchmark *b) {
    b->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
}

// For each shape, kRounds runs of each sort, taking turns and changing which goes first from one
// round to the next.
template <typename Key>
void register_sorts(const std::string &type, const std::string &quicksort_name,
                    void (*sort)(Key *, int32_t, int32_t *)) {
    for (const Shape s : kShapes) {
        const std::string group = type + "/" + name_of(s) + "/";
        for (int round = 0; round < kRounds; ++round) {
            const auto ours = [&] {
                configure(benchmark::RegisterBenchmark(
                    (group + quicksort_name).c_str(),
                    [s, sort](benchmark::State &state) { quicksort_bench<Key>(state, s, sort); }));
            };
            const auto reference = [&] {
                configure(benchmark::RegisterBenchmark(
                    (group + "std::sort").c_str(),
                    [s](benchmark::State &state) { std_sort_bench<Key>(state, s); }));
            };
            if (round % 2 == 0) {
                ours();
                reference();
            } else {
                reference();
                ours();
            }
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    register_sorts<int32_t>("int32", "l_quicksort", l_quicksort);
    register_sorts<double>("double", "d_quicksort", d_quicksort);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
