// Index-carrying quicksorts: one partition-exchange procedure for both key types and both
// flavours; the eight exported routines only choose the key type, the range and the budget.
#include <cstdint>
#include <utility>

#include "Varnoke_LiDAR.h"

namespace {

struct Parts {
    int32_t j;  // the left part is left .. j
    int32_t i;  // the right part is i .. right
};

// Hoare's partition around a copy of the middle key. Both scans stop at keys equal to the pivot
// (and, for doubles, at NaNs), which are exchanged; every exchange is made in both arrays.
template <typename Key>
Parts partition(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    int32_t i = left;
    int32_t j = right;
    const Key v = p[left + (right - left) / 2];
    do {
        while (p[i] < v && i < right) ++i;
        while (v < p[j] && j > left) --j;
        if (i <= j) {
            std::swap(p[i], p[j]);
            std::swap(p_ind[i], p_ind[j]);
            ++i;
            --j;
        }
    } while (i <= j);
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
