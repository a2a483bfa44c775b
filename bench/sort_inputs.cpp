#include "sort_inputs.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "splitmix64.h"

namespace bench {

namespace {

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
std::vector<Key> make_keys(Distribution d, uint64_t seed, Key (*draw)(SplitMix64 &)) {
    SplitMix64 random(seed);
    std::vector<Key> keys(static_cast<std::size_t>(kKeyCount));
    if (d == Distribution::few_distinct) {
        std::vector<Key> values(kDistinctValues);
        for (Key &v : values) v = draw(random);
        for (Key &k : keys) k = values[random.next() % kDistinctValues];
        return keys;
    }
    for (Key &k : keys) k = draw(random);
    if (d == Distribution::sorted) std::sort(keys.begin(), keys.end());
    if (d == Distribution::reversed) std::sort(keys.begin(), keys.end(), std::greater<Key>());
    return keys;
}

template <typename Key>
const std::vector<Key> &cached_keys(Distribution d, uint64_t seed, Key (*draw)(SplitMix64 &)) {
    static std::optional<Distribution> made;
    static std::vector<Key> keys;
    if (made != d) {
        keys = std::vector<Key>();  // give the previous keys back before making new ones
        keys = make_keys(d, seed, draw);
        made = d;
    }
    return keys;
}

}  // namespace

const char *name_of(Distribution d) {
    switch (d) {
        case Distribution::random:
            return "random";
        case Distribution::sorted:
            return "sorted";
        case Distribution::reversed:
            return "reversed";
        case Distribution::few_distinct:
            return "100-distinct";
    }
    return "?";
}

const std::vector<int32_t> &int32_keys(Distribution d) {
    return cached_keys(d, kInt32Seed, random_int32);
}

const std::vector<double> &double_keys(Distribution d) {
    return cached_keys(d, kDoubleSeed, random_double);
}

}  // namespace bench
