// Integers stored as corrections against a prediction: the class of the correction (its bit
// length k) under a per-context model, then its position within the class.
#ifndef VARNOKE_LAZ_INTEGER_DECODER_H
#define VARNOKE_LAZ_INTEGER_DECODER_H

#include <cstdint>
#include <vector>

#include "arithmetic_decoder.h"

namespace varnoke::laz {

class IntegerDecoder {
 public:
    // `bits`: width of the values (32: any int32); `contexts`: separate class models;
    // `bits_high`: classes wider than this keep only their top bits modelled, the rest raw;
    // `range`: when not 0, values lie in [0, range) instead of `bits` wide.
    IntegerDecoder(uint32_t bits = 16, uint32_t contexts = 1, uint32_t bits_high = 8,
                   uint32_t range = 0);

    void init();  // fresh models (done per chunk)

    int32_t decompress(ArithmeticDecoder &dec, int32_t pred, uint32_t context = 0) {
        const uint32_t sum = static_cast<uint32_t>(pred) + correction(dec, context);
        int32_t real = static_cast<int32_t>(sum);
        // Wrap back into the range of the values.
        if (real < 0) {
            real = static_cast<int32_t>(sum + range_);
        } else if (sum >= range_) {
            real = static_cast<int32_t>(sum - range_);
        }
        return real;
    }

    // The class of the last correction: callers use it as a context for what follows.
    uint32_t k() const { return k_; }

 private:
    // The correction as an unsigned 32-bit pattern (two's complement).
    uint32_t correction(ArithmeticDecoder &dec, uint32_t context) {
        if (context >= classes_.size()) context = 0;
        // Models are reset when first used after init(): a chunk uses few of them.
        if (((classes_ready_ >> context) & 1u) == 0) {
            classes_[context].reset();
            classes_ready_ |= uint64_t{1} << context;
        }
        k_ = dec.decode_symbol(classes_[context]);
        if (k_ == 0) return dec.decode_bit(zero_or_one_);  // 0 or 1
        if (k_ >= 32) return min_;
        if (((within_ready_ >> k_) & 1u) == 0) {
            within_[k_].reset();
            within_ready_ |= uint64_t{1} << k_;
        }
        uint32_t c;
        if (k_ <= bits_high_) {
            c = dec.decode_symbol(within_[k_]);
        } else {
            const uint32_t raw_bits = k_ - bits_high_;
            c = dec.decode_symbol(within_[k_]);
            c = (c << raw_bits) | dec.read_bits(raw_bits);
        }
        // Class k holds the magnitudes 2^(k-1)+1 .. 2^k above zero and -(2^k-1) .. -2^(k-1)
        // below: the lower half of the positions is the negative side.
        const uint32_t half = 1u << (k_ - 1);
        if (c >= half) return c + 1;
        return c - ((half << 1) - 1);
    }

    uint32_t bits_high_;
    uint32_t corr_bits_;
    uint32_t range_;  // 0 for 32-bit values: no wrap
    uint32_t min_;    // the smallest correction, as a pattern
    uint32_t k_ = 0;
    uint64_t classes_ready_ = 0;  // bit i: classes_[i] reset since init()
    uint64_t within_ready_ = 0;   // bit k: within_[k] reset since init()
    std::vector<SymbolModel> classes_;  // one per context, symbols 0..corr_bits
    BitModel zero_or_one_;
    std::vector<SymbolModel> within_;  // index k: the position within class k
};

}  // namespace varnoke::laz

#endif
