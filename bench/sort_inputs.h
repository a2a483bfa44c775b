// The inputs of the sort benchmark: ten million keys in each of four arrangements, made from a
// fixed seed so that every run sorts the same keys.
#ifndef VARNOKE_BENCH_SORT_INPUTS_H
#define VARNOKE_BENCH_SORT_INPUTS_H

#include <array>
#include <cstdint>
#include <vector>

namespace bench {

inline constexpr int32_t kKeyCount = 10'000'000;

enum class Distribution { random, sorted, reversed, few_distinct };
inline constexpr std::array<Distribution, 4> kDistributions{
    Distribution::random, Distribution::sorted, Distribution::reversed, Distribution::few_distinct};

// "random", "sorted", "reversed" or "100-distinct".
const char *name_of(Distribution d);

// The keys of `d`: random over the whole int32 range, or doubles uniform in [-1e9, 1e9); those
// random keys ascending or descending; or keys drawn from 100 distinct random values. Only the
// latest distribution of each key type is kept, so asking for another one makes it afresh.
const std::vector<int32_t> &int32_keys(Distribution d);
const std::vector<double> &double_keys(Distribution d);

}  // namespace bench

#endif
