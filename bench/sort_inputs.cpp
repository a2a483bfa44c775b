#include "sort_inputs.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "random/splitmix64.h"

namespace bench {

namespace {

using varnoke_random::SplitMix64;

constexpr uint64_t kInt32Seed = 0x1D2C3B4A59687706u;
constexpr uint64_t kDoubleSeed = 0x0F1E2D3C4B5A6978u;
constexpr std::size_t kDistinctValues = 100;

int32_t random_int32(SplitMix64 &random) {
    return static_cast<int32_t>(static_cast<uint32_t>(random.next() >> 32));
}

double random_double(SplitMix64 &random) {
    return -1e9 + 2e9 * random.unit();
}

template <typename Key>
std::vector<Key> make_keys(Shape s, uint64_t seed, Key (*draw)(SplitMix64 &)) {
    SplitMix64 random(seed);
    std::vector<Key> keys(static_cast<std::size_t>(kKeyCount));
    switch (s) {
        case Shape::few_distinct: {
            std::vector<Key> values(kDistinctValues);
            for (Key &v : values) v = draw(random);
            for (Key &k : keys) k = values[random.next() % kDistinctValues];
            return keys;
        }
        case Shape::time_like:
            for (std::size_t k = 0; k < keys.size(); ++k) {
                keys[k] = static_cast<Key>(static_cast<int32_t>(k * 4 + random.next() % 9));
            }
            return keys;
        case Shape::all_equal:
            std::fill(keys.begin(), keys.end(), draw(random));
            return keys;
        default:
            break;
    }
    for (Key &k : keys) k = draw(random);
    if (s == Shape::random) return keys;
    if (s == Shape::reversed) {
        std::sort(keys.begin(), keys.end(), std::greater<Key>());
        return keys;
    }
    std::sort(keys.begin(), keys.end());
    if (s == Shape::sorted_one_in_100_random) {
        for (Key &k : keys) {
            if (random.next() % 100 == 0) k = draw(random);
        }
    }
    return keys;
}

template <typename Key>
const std::vector<Key> &cached_keys(Shape s, uint64_t seed, Key (*draw)(SplitMix64 &)) {
    static std::optional<Shape> made;
    static std::vector<Key> keys;
    if (made != s) {
        keys = std::vector<Key>();  // give the previous keys back before making new ones
        keys = make_keys(s, seed, draw);
        made = s;
    }
    return keys;
}

}  // namespace

const char *name_of(Shape s) {
    switch (s) {
        case Shape::random:
            return "random";
        case Shape::sorted:
            return "sorted";
        case Shape::reversed:
            return "reversed";
        case Shape::sorted_one_in_100_random:
            return "sorted-1%-random";
        case Shape::time_like:
            return "time-like";
        case Shape::few_distinct:
            return "100-distinct";
        case Shape::all_equal:
            return "all-equal";
    }
    return "?";
}

const std::vector<int32_t> &int32_keys(Shape s) {
    return cached_keys(s, kInt32Seed, random_int32);
}

const std::vector<double> &double_keys(Shape s) {
    return cached_keys(s, kDoubleSeed, random_double);
}

}  // namespace bench
