// The median of the last five corrections of a coordinate, kept as LAZ writers keep it.
#ifndef VARNOKE_LAZ_RUNNING_MEDIAN_H
#define VARNOKE_LAZ_RUNNING_MEDIAN_H

#include <algorithm>
#include <array>
#include <cstdint>

namespace varnoke::laz {

// A sorted window of five values. Each new value replaces the largest or the smallest in turn,
// the side switching when the value lands on the far side of the middle.
class RunningMedian {
public:
    void reset() {
        v_ = {};
        drop_largest_ = true;
    }
    int32_t get() const { return v_[2]; }
    void add(int32_t x) {
        const int32_t middle = v_[2];
        // The four kept, in order: the lower four or the upper four.
        const std::size_t from = drop_largest_ ? 0 : 1;
        drop_largest_ = drop_largest_ ? x < middle : x <= middle;
        const int32_t w0 = v_[from], w1 = v_[from + 1], w2 = v_[from + 2], w3 = v_[from + 3];
        // x merged into them: each slot is the middle of its neighbours and x, without a
        // branch on data that a predictor cannot guess.
        v_[0] = std::min(w0, x);
        v_[1] = std::max(w0, std::min(w1, x));
        v_[2] = std::max(w1, std::min(w2, x));
        v_[3] = std::max(w2, std::min(w3, x));
        v_[4] = std::max(w3, x);
    }

private:
    std::array<int32_t, 5> v_{};
    bool drop_largest_ = true;
};

}  // namespace varnoke::laz

#endif
