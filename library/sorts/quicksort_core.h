// The partition-exchange sort behind the index-carrying quicksorts, over either key type and any
// of the comparison versions of sort_lanes.h.
//
// The arrangement of both arrays is that of the plain procedure: a partition around a copy of the
// middle key whose scans stop at keys equal to it (and, for doubles, at NaNs), with the exchange
// of the two keys they stopped at made in both arrays, then the same for both parts. What is done
// faster is only what gives the same exchanges: ranges whose outcome is known from their shape
// are finished at once, scans over keys that do not stop them go eight keys at a time, and where
// the scans stop often the exchanges are found block by block without a branch per key.
#ifndef VARNOKE_QUICKSORT_CORE_H
#define VARNOKE_QUICKSORT_CORE_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "sort_lanes.h"

namespace varnoke::quicksort {

struct Parts {
    int32_t j;  // the left part is left .. j
    int32_t i;  // the right part is i .. right
};

// For each mask of eight stops, the positions of its set bits in ascending order, one per byte,
// and their number.
struct StopTable {
    uint8_t offsets[256][8];
    uint8_t count[256];
    uint8_t reversed[256];  // the mask with its eight bits in the opposite order
};

constexpr StopTable make_stop_table() {
    StopTable t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned n = 0, r = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((m >> bit) & 1U) t.offsets[m][n++] = static_cast<uint8_t>(bit);
            r |= ((m >> bit) & 1U) << (7 - bit);
        }
        t.count[m] = static_cast<uint8_t>(n);
        t.reversed[m] = static_cast<uint8_t>(r);
    }
    return t;
}

inline constexpr StopTable kStops = make_stop_table();

// Notes the stops among the eight keys of `mask` (bit b for offset `base` + b) after the `count`
// already noted; the table's eight bytes are written whole, so `stops` has room for eight more.
[[gnu::always_inline]] inline void note_stops(uint8_t *stops, int32_t &count, unsigned mask,
                                              unsigned base) {
    uint64_t offsets;
    std::memcpy(&offsets, kStops.offsets[mask], 8);
    offsets += 0x0101010101010101ULL * base;  // no byte exceeds 255: no carry between bytes
    std::memcpy(stops + count, &offsets, 8);
    count += kStops.count[mask];
}

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
template <typename Lanes, int32_t kBlock, typename Key>
[[gnu::always_inline]] inline void exchange_by_blocks(Key *p, int32_t *p_ind, const Key v,
                                                      int32_t &i, int32_t &j) {
    static_assert(kBlock % 8 == 0 && kBlock <= 64, "offsets within a block fit in a byte");
    uint8_t left_stops[static_cast<std::size_t>(kBlock) + 8];
    uint8_t right_stops[static_cast<std::size_t>(kBlock) + 8];
    int32_t left_count = 0, left_next = 0, right_count = 0, right_next = 0;
    int32_t left_base = i, right_base = j;  // first position of the current block on each side
    int32_t lo = i, hi = j;                 // the keys lo .. hi are unexamined
    while (hi - lo + 1 >= 2 * kBlock) {
        if (left_next == left_count) {
            left_base = lo;
            left_count = left_next = 0;
            for (unsigned g = 0; g < kBlock; g += 8) {
                const unsigned stop = ~Lanes::below(p + lo + g, v) & 0xFFU;
                note_stops(left_stops, left_count, stop, g);
            }
            lo += kBlock;
        }
        if (right_next == right_count) {
            right_base = hi;
            right_count = right_next = 0;
            for (unsigned g = 0; g < kBlock; g += 8) {
                // Keys hi - g - 7 .. hi - g: lane t is offset g + 7 - t from hi.
                const unsigned stop = ~Lanes::above(p + hi - g - 7, v) & 0xFFU;
                note_stops(right_stops, right_count, kStops.reversed[stop], g);
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

// The left scan: from `i`, the first position before `right` whose key is not below `v`, or
// `right`.
template <typename Lanes, typename Key>
[[gnu::always_inline]] inline int32_t scan_up(const Key *p, int32_t i, int32_t right, Key v) {
    for (; right - i >= 8; i += 8) {
        const unsigned stop = ~Lanes::below(p + i, v) & 0xFFU;
        if (stop != 0) return i + __builtin_ctz(stop);
    }
    while (p[i] < v && i < right) ++i;
    return i;
}

// The right scan: from `j` down, the first position after `left` whose key `v` is not below, or
// `left`.
template <typename Lanes, typename Key>
[[gnu::always_inline]] inline int32_t scan_down(const Key *p, int32_t j, int32_t left, Key v) {
    for (; j - left >= 8; j -= 8) {
        const unsigned stop = ~Lanes::above(p + j - 7, v) & 0xFFU;
        if (stop != 0) return j - 7 + (31 - __builtin_clz(stop));
    }
    while (v < p[j] && j > left) --j;
    return j;
}

// Scans that stop this close together, exchange after exchange, are better served by blocks.
constexpr int32_t kDenseScan = 16;  // keys passed by both scans for one exchange
constexpr int32_t kDenseExchanges = 4;
constexpr int32_t kLongBlock = 64;
constexpr int32_t kShortBlock = 16;

// Hoare's partition around a copy of the middle key. Both scans stop at keys equal to the pivot
// (and, for doubles, at NaNs), which are exchanged; every exchange is made in both arrays. The
// scans go eight keys at a time while they seldom stop, and hand over to the block exchanges
// once they stop often.
template <typename Lanes, typename Key>
[[gnu::always_inline]] inline Parts partition(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    int32_t i = left;
    int32_t j = right;
    const Key v = p[left + (right - left) / 2];
    int32_t dense = 0;
    while (i <= j) {
        const int32_t from = j - i;
        i = scan_up<Lanes>(p, i, right, v);
        j = scan_down<Lanes>(p, j, left, v);
        if (i > j) break;
        std::swap(p[i], p[j]);
        std::swap(p_ind[i], p_ind[j]);
        ++i;
        --j;
        dense = from - (j - i) <= kDenseScan ? dense + 1 : 0;
        if (dense >= kDenseExchanges) {
            if (j - i + 1 >= 2 * kLongBlock) {
                exchange_by_blocks<Lanes, kLongBlock>(p, p_ind, v, i, j);
            } else if (j - i + 1 >= 2 * kShortBlock) {
                exchange_by_blocks<Lanes, kShortBlock>(p, p_ind, v, i, j);
            }
            dense = 0;
        }
    }
    return {j, i};
}

// What the plain procedure is known to do with a range from its shape alone.
enum class Shape {
    mixed,       // anything else: partition it
    ascending,   // every key below the next: each pivot meets only itself; nothing moves
    descending,  // every key above the next: the first partition reverses the range, which
                 // leaves both parts ascending
    same,        // every key has one bit pattern: every key stops both scans, so each partition
                 // reverses its range and splits it in the middle
};

template <typename Lanes, typename Key>
[[gnu::always_inline]] inline Shape shape_of(const Key *p, int32_t left, int32_t right) {
    int32_t k = left;
    if (p[left] < p[left + 1]) {
        for (; right - k >= 8; k += 8) {
            if (Lanes::less(p + k, p + k + 1) != 0xFFU) return Shape::mixed;
        }
        for (; k < right; ++k) {
            if (!(p[k] < p[k + 1])) return Shape::mixed;
        }
        return Shape::ascending;
    }
    if (p[left + 1] < p[left]) {
        for (; right - k >= 8; k += 8) {
            if (Lanes::less(p + k + 1, p + k) != 0xFFU) return Shape::mixed;
        }
        for (; k < right; ++k) {
            if (!(p[k + 1] < p[k])) return Shape::mixed;
        }
        return Shape::descending;
    }
    const Key first = p[left];
    for (; right - k >= 8; k += 8) {
        if (!Lanes::same(p + k, first)) return Shape::mixed;
    }
    // No position is counted past `right`, which may be the largest an int32_t holds.
    for (; k < right; ++k) {
        if (!sort_lanes::Portable::same_one(p + k, first)) return Shape::mixed;
    }
    return sort_lanes::Portable::same_one(p + right, first) ? Shape::same : Shape::mixed;
}

// What the procedure does to a range whose keys share one bit pattern, two levels at a time. Each
// partition reverses its range and leaves as parts its first and its last floor(length / 2)
// positions; reversing the range and then both parts moves each part to the other's place with
// its order kept. The keys do not change; the index values of the two parts are exchanged, and
// the parts of the parts remain.
//
// A range may end at the largest position an int32_t holds and be 2^31 keys long, so its length
// is counted in 64 bits, and each part's last position is reached from its first without passing
// the range's end.
struct SameRange {
    int32_t left, right;

    // The first and last `part` positions of a range of `length`.
    static int32_t part(int64_t length) { return static_cast<int32_t>(length / 2); }

    template <typename F>
    void exchange_parts(int32_t *p_ind, F &&for_each_remaining) const {
        const int32_t h = part(int64_t{right} - left + 1);
        std::swap_ranges(p_ind + left, p_ind + left + h, p_ind + right - h + 1);
        const int32_t q = part(h);
        if (q < 2) return;
        for (const int32_t start : {left, right - h + 1}) {
            for_each_remaining(start, start + (q - 1));
            for_each_remaining(start + (h - q), start + (h - 1));
        }
    }
};

// Sorts left .. right. The parts of a partition share no position, so finishing them in any
// order gives the same arrangement: the shortest part is sorted first and the others wait. Every
// waiting part is at most half as long as the range it came from, and a range of one bit pattern
// leaves three parts waiting for each quartering: at most 1.5 per halving, fewer than 64 for
// 32-bit positions.
template <typename Lanes, typename Key>
[[gnu::always_inline]] inline void sort_range(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    struct Waiting {
        int32_t left, right;
        bool same;
    };
    std::array<Waiting, 64> waiting;
    std::size_t count = 0;
    bool same = false;  // known to hold one bit pattern throughout
    for (;;) {
        if (left < right && !same) {
            switch (shape_of<Lanes>(p, left, right)) {
                case Shape::ascending:
                    left = right;
                    break;
                case Shape::descending:
                    std::reverse(p + left, p + right + 1);
                    std::reverse(p_ind + left, p_ind + right + 1);
                    left = right;
                    break;
                case Shape::same:
                    same = true;
                    break;
                case Shape::mixed:
                    break;
            }
        }
        if (left < right && same) {
            // Each of the up to four remaining parts has the same length; the first is sorted
            // next and the others wait.
            bool first = true;
            SameRange{left, right}.exchange_parts(p_ind, [&](int32_t l, int32_t r) {
                if (first) {
                    left = l;
                    right = r;
                    first = false;
                } else {
                    waiting[count++] = {l, r, true};
                }
            });
            if (!first) continue;
            left = right;
        }
        if (left >= right) {
            if (count == 0) return;
            --count;
            left = waiting[count].left;
            right = waiting[count].right;
            same = waiting[count].same;
            continue;
        }
        const Parts parts = partition<Lanes>(p, left, right, p_ind);
        if (parts.j - left < right - parts.i) {
            waiting[count++] = {parts.i, right, false};
            right = parts.j;
        } else {
            waiting[count++] = {left, parts.j, false};
            left = parts.i;
        }
    }
}

}  // namespace varnoke::quicksort

#endif
