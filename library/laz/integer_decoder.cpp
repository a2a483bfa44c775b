#include "integer_decoder.h"

namespace varnoke::laz {

IntegerDecoder::IntegerDecoder(uint32_t bits, uint32_t contexts, uint32_t bits_high,
                               uint32_t range)
    : bits_high_(bits_high == 0 ? 1 : bits_high) {
    if (range != 0) {
        // The fewest bits that count up to `range`, one fewer when it is a power of two.
        uint32_t width = 0;
        for (uint32_t r = range; r != 0; r >>= 1) ++width;
        if (range == (1u << (width - 1))) --width;
        corr_bits_ = width;
        range_ = range;
        min_ = 0u - (range / 2);
    } else if (bits != 0 && bits < 32) {
        corr_bits_ = bits;
        range_ = 1u << bits;
        min_ = 0u - (range_ / 2);
    } else {
        corr_bits_ = 32;
        range_ = 0;
        min_ = 0x80000000u;
    }
    // At most 64 contexts, so that one word says which are ready.
    if (contexts == 0) contexts = 1;
    if (contexts > 64) contexts = 64;
    classes_.assign(contexts, SymbolModel(corr_bits_ + 1, false));
    within_.reserve(corr_bits_ + 1);
    within_.emplace_back(2, false);  // class 0 uses the bit model; a placeholder keeps the index
    for (uint32_t k = 1; k <= corr_bits_; ++k) {
        within_.emplace_back(1u << (k <= bits_high_ ? k : bits_high_), false);
    }
}

void IntegerDecoder::init() {
    classes_ready_ = 0;
    zero_or_one_.reset();
    within_ready_ = 0;
    k_ = 0;
}

}  // namespace varnoke::laz
