// Checks a sorted arrangement against the input it came from.
#ifndef VARNOKE_BENCH_SORT_CHECK_H
#define VARNOKE_BENCH_SORT_CHECK_H

#include <cstdint>
#include <vector>

namespace bench {

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

}  // namespace bench

#endif
