#include "arithmetic_decoder.h"

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
      start_(symbols_), counts_(symbols_) {
    if (symbols_ > 16) {
        // About four symbols per slot of the index.
        uint32_t index_bits = 3;
        while (symbols_ > (1u << (index_bits + 2))) ++index_bits;
        index_shift_ = kSymbolShift - index_bits;
        index_last_ = 1u << index_bits;
        index_.resize(index_last_ + 2);
    }
    if (fresh) reset();
}

void SymbolModel::reset() {
    for (uint32_t &c : counts_) c = 1;
    total_ = 0;
    interval_ = symbols_;
    adapt();
    interval_ = (symbols_ + 6) >> 1;
    countdown_ = interval_;
}

void SymbolModel::adapt() {
    total_ += interval_;
    if (total_ > kSymbolMaxCount) {
        total_ = 0;
        for (uint32_t &c : counts_) {
            c = (c + 1) >> 1;
            total_ += c;
        }
    }
    const uint32_t scale = 0x80000000u / total_;
    uint32_t below = 0;
    for (uint32_t s = 0; s < symbols_; ++s) {
        start_[s] = (scale * below) >> (31 - kSymbolShift);
        below += counts_[s];
    }
    if (index_shift_ != 0) {
        uint32_t s = 0;
        for (uint32_t slot = 0; slot <= index_last_; ++slot) {
            const uint32_t bound = slot << index_shift_;
            while (s + 1 < symbols_ && start_[s + 1] <= bound) ++s;
            index_[slot] = s;
        }
        index_[index_last_ + 1] = symbols_ - 1;
    }
    interval_ = (5 * interval_) >> 2;
    const uint32_t longest = (symbols_ + 6) << 3;
    if (interval_ > longest) interval_ = longest;
    countdown_ = interval_;
}

}  // namespace varnoke::laz
