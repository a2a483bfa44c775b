// The inputs of the sort benchmark: ten million keys in each of the shapes LiDAR arrays take, made
// from a fixed seed so that every run sorts the same keys.
#ifndef VARNOKE_BENCH_SORT_INPUTS_H
#define VARNOKE_BENCH_SORT_INPUTS_H

#include <array>
#include <cstdint>
#include <vector>

namespace bench {

inline constexpr int32_t kKeyCount = 10'000'000;

enum class Shape {
    random,
    sorted,
    reversed,
    sorted_one_in_100_random,
    time_like,
    few_distinct,
    all_equal,
};
inline constexpr std::array<Shape, 7> kShapes{
    Shape::random,    Shape::sorted,       Shape::reversed, Shape::sorted_one_in_100_random,
    Shape::time_like, Shape::few_distinct, Shape::all_equal};

// "random", "sorted", "reversed", "sorted-1%-random", "time-like", "100-distinct" or "all-equal".
const char *name_of(Shape s);

// The keys of `s`: random over the whole int32 range, or doubles uniform in [-1e9, 1e9); those
// random keys ascending or descending; ascending with one key in a hundred replaced by a random
// one; k * 4 plus a random whole number from 0 to 8 at position k (GPS times along a flight
// line); keys drawn from 100 distinct random values; or one value throughout. Only the latest
// shape of each key type is kept, so asking for another one makes it afresh.
const std::vector<int32_t> &int32_keys(Shape s);
const std::vector<double> &double_keys(Shape s);

}  // namespace bench

#endif
