#include "arithmetic_decoder.h"

#include <algorithm>

namespace varnoke::laz {

namespace {
constexpr uint32_t kBitMaxCount = 1u << kBitShift;
constexpr uint32_t kSymbolMaxCount = 1u << kSymbolShift;
}  // namespace

void BitModel::adapt() {
    seen_ += interval_;
    if (seen_ > kBitMaxCount) {
        // Halve the history so that the model keeps following the data.
        seen_ = (seen_ + 1) >> 1;
        zeros_ = (zeros_ + 1) >> 1;
        if (zeros_ == seen_) ++seen_;
    }
    zero_probability_ = (zeros_ * (0x80000000u / seen_)) >> (31 - kBitShift);
    interval_ = (5 * interval_) >> 2;
    if (interval_ > 64) interval_ = 64;
    countdown_ = interval_;
}

SymbolModel::SymbolModel(uint32_t symbols, bool fresh)
    : symbols_(symbols < 2 ? 2 : (symbols > 2048 ? 2048 : symbols)),
      start_(symbols_),
      counts_(symbols_) {
    if (symbols_ > 16) {
        // About four symbols per slot of the index.
        uint32_t index_bits = 3;
        while (symbols_ > (1u << (index_bits + 2))) ++index_bits;
        index_shift_ = kSymbolShift - index_bits;
        index_last_ = 1u << index_bits;
        index_.resize(index_last_ + 2);
        // The index of the starting state is the same at every reset: built once.
        start_fresh();
        build_index();
        fresh_index_ = index_;
    }
    if (fresh) reset();
}

// Every symbol counted once: the cumulative frequencies are then a multiple of the symbol.
void SymbolModel::start_fresh() {
    // Locals, so that the stores are not taken to alter the count and the loops run wide.
    const uint32_t n = symbols_;
    uint32_t *counts = counts_.data();
    uint32_t *start = start_.data();
    const uint32_t scale = 0x80000000u / n;
    for (uint32_t s = 0; s < n; ++s) counts[s] = 1;
    for (uint32_t s = 0; s < n; ++s) start[s] = (scale * s) >> (31 - kSymbolShift);
    total_ = n;
}

// Models are reset at every chunk, and a chunk of a few points resets more of them than it
// uses for long: the state the first adaptation would compute is written directly.
void SymbolModel::reset() {
    start_fresh();
    std::copy(fresh_index_.begin(), fresh_index_.end(), index_.begin());
    interval_ = (symbols_ + 6) >> 1;
    countdown_ = interval_;
}

void SymbolModel::build_index() {
    const uint32_t n = symbols_;
    const uint32_t last = index_last_;
    const uint32_t shift = index_shift_;
    const uint32_t *start = start_.data();
    uint32_t *index = index_.data();
    uint32_t s = 0;
    for (uint32_t slot = 0; slot <= last; ++slot) {
        const uint32_t bound = slot << shift;
        while (s + 1 < n && start[s + 1] <= bound) ++s;
        index[slot] = s;
    }
    index[last + 1] = n - 1;
}

void SymbolModel::adapt() {
    const uint32_t n = symbols_;
    uint32_t *counts = counts_.data();
    uint32_t *start = start_.data();
    uint32_t total = total_ + interval_;
    if (total > kSymbolMaxCount) {
        total = 0;
        for (uint32_t s = 0; s < n; ++s) {
            counts[s] = (counts[s] + 1) >> 1;
            total += counts[s];
        }
    }
    total_ = total;
    const uint32_t scale = 0x80000000u / total;
    uint32_t below = 0;
    for (uint32_t s = 0; s < n; ++s) {
        start[s] = (scale * below) >> (31 - kSymbolShift);
        below += counts[s];
    }
    if (index_shift_ != 0) build_index();
    interval_ = (5 * interval_) >> 2;
    const uint32_t longest = (n + 6) << 3;
    if (interval_ > longest) interval_ = longest;
    countdown_ = interval_;
}

bool ends_exactly(const ArithmeticDecoder &d, uint64_t stream_bytes) {
    if (d.overrun() || d.bytes_consumed() != stream_bytes) return false;
    const uint32_t v = d.value();
    if (d.length() > 2 * kMinLength) return v >= 1 && v <= kMinLength;
    return v >= (kMinLength >> 1) - 0xFFFFu && v <= (kMinLength >> 1);
}

}  // namespace varnoke::laz
