// Index-carrying quicksorts: one partition-exchange procedure for both key types and both
// flavours; the eight exported routines only choose the key type, the range and the budget.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "Varnoke_LiDAR.h"

namespace {

struct Parts {
    int32_t j;  // the left part is left .. j
    int32_t i;  // the right part is i .. right
};

// Keys examined per block by the block scans: long blocks for long ranges, short ones for ranges
// of a few dozen keys; ranges shorter than that are partitioned by the plain scans alone.
// Offsets within a block fit in a byte.
constexpr int32_t kLongBlock = 64;
constexpr int32_t kLongBlocksFrom = 4 * kLongBlock;
constexpr int32_t kShortBlock = 8;
constexpr int32_t kShortBlocksFrom = 4 * kShortBlock;

// Makes every exchange the plain scans of `partition` would make while the keys they have not
// yet examined span at least two blocks, in the same order, and leaves `i` and `j` where the
// plain scans would have them after the last of these exchanges.
//
// The left scan stops at each key that is not below the pivot and the right scan at each key the
// pivot is not below; the scans then exchange the two keys they stopped at. Neither condition
// depends on anything but the key itself, so the stopping places in a block of keys that no
// exchange has reached yet can be noted all at once, without a branch, and then paired in order:
// the k-th stop on the left with the k-th stop on the right. A block is examined only while the
// two sides' unexamined keys cannot meet, so every left stop lies before every right stop, as
// the plain scans require for an exchange.
template <int32_t kBlock, typename Key>
void exchange_by_blocks(Key *p, int32_t *p_ind, const Key v, int32_t &i, int32_t &j) {
    uint8_t left_stops[static_cast<std::size_t>(kBlock)];
    uint8_t right_stops[static_cast<std::size_t>(kBlock)];
    int32_t left_count = 0, left_next = 0, right_count = 0, right_next = 0;
    int32_t left_base = i, right_base = j;  // first position of the current block on each side
    int32_t lo = i, hi = j;                 // the keys lo .. hi are unexamined
    while (hi - lo + 1 >= 2 * kBlock) {
        if (left_next == left_count) {
            left_base = lo;
            left_count = left_next = 0;
            for (int32_t k = 0; k < kBlock; ++k) {
                left_stops[left_count] = static_cast<uint8_t>(k);
                left_count += !(p[lo + k] < v);
            }
            lo += kBlock;
        }
        if (right_next == right_count) {
            right_base = hi;
            right_count = right_next = 0;
            for (int32_t k = 0; k < kBlock; ++k) {
                right_stops[right_count] = static_cast<uint8_t>(k);
                right_count += !(v < p[hi - k]);
            }
            hi -= kBlock;
        }
        const int32_t pairs = std::min(left_count - left_next, right_count - right_next);
        for (int32_t k = 0; k < pairs; ++k) {
            const int32_t a = left_base + left_stops[left_next + k];
            const int32_t b = right_base - right_stops[right_next + k];
            std::swap(p[a], p[b]);
            std::swap(p_ind[a], p_ind[b]);
        }
        if (pairs > 0) {
            left_next += pairs;
            right_next += pairs;
            i = left_base + left_stops[left_next - 1] + 1;
            j = right_base - right_stops[right_next - 1] - 1;
        }
    }
}

// Hoare's partition around a copy of the middle key. Both scans stop at keys equal to the pivot
// (and, for doubles, at NaNs), which are exchanged; every exchange is made in both arrays. On a
// long range the exchanges are first found block by block; the plain scans then go on from
// where those left off and finish the partition.
template <typename Key>
Parts partition(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    int32_t i = left;
    int32_t j = right;
    const Key v = p[left + (right - left) / 2];
    if (right - left >= kLongBlocksFrom) {
        exchange_by_blocks<kLongBlock>(p, p_ind, v, i, j);
    } else if (right - left >= kShortBlocksFrom) {
        exchange_by_blocks<kShortBlock>(p, p_ind, v, i, j);
    }
    while (i <= j) {
        while (p[i] < v && i < right) ++i;
        while (v < p[j] && j > left) --j;
        if (i <= j) {
            std::swap(p[i], p[j]);
            std::swap(p_ind[i], p_ind[j]);
            ++i;
            --j;
        }
    }
    return {j, i};
}

// Which worker sorts a range: the plain one, or the budgeted one with `deep` levels left before
// it hands over. A part of a budgeted range goes to the plain worker once the budget is zero and
// to the budgeted one with one level less otherwise; a negative budget never reaches zero.
struct Budget {
    bool budgeted;
    int32_t deep;

    Budget for_parts() const {
        if (!budgeted || deep == 0) return {false, 0};
        // Decrement with wrap-around: a budget at the smallest value must not overflow.
        return {true, static_cast<int32_t>(static_cast<uint32_t>(deep) - 1U)};
    }
};

constexpr Budget kPlain{false, 0};

constexpr Budget budget_of(int32_t deep) {
    return {true, deep};
}

// The parallel entry points start with this budget: the budgeted worker serves the top sixteen
// levels.
constexpr int32_t kEntryBudget = 15;

// Sorts left .. right. The two parts of a partition share no position, so finishing them in any
// order gives the same arrangement: the smaller part is sorted by a nested call and the larger
// one by the next round of this loop, which keeps the nesting within log2(count) levels whatever
// the keys. Each part keeps the budget it would have had as a call of its own.
template <typename Key>
void sort_range(Key *p, int32_t left, int32_t right, int32_t *p_ind, Budget budget) {
    while (left < right) {
        const Parts parts = partition(p, left, right, p_ind);
        budget = budget.for_parts();
        if (parts.j - left < right - parts.i) {
            sort_range(p, left, parts.j, p_ind, budget);
            left = parts.i;
        } else {
            sort_range(p, parts.i, right, p_ind, budget);
            right = parts.j;
        }
    }
}

template <typename Key>
void sort_all(Key *p, int32_t count, int32_t *p_ind, Budget budget) {
    if (count > 1) sort_range(p, 0, count - 1, p_ind, budget);
}

}  // namespace

extern "C" {

void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    sort_all(p, count, p_ind, kPlain);
}

void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort_range(p, left, right, p_ind, kPlain);
}

void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    sort_all(p, count, p_ind, budget_of(kEntryBudget));
}

void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep) {
    sort_range(p, left, right, p_ind, budget_of(deep));
}

void d_quicksort(double *p, int32_t count, int32_t *p_ind) {
    sort_all(p, count, p_ind, kPlain);
}

void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort_range(p, left, right, p_ind, kPlain);
}

void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind) {
    sort_all(p, count, p_ind, budget_of(kEntryBudget));
}

void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep) {
    sort_range(p, left, right, p_ind, budget_of(deep));
}

}  // extern "C"
