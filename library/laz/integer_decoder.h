// Integers stored as corrections against a prediction. A correction is coded by its class, the
// number of bits of its magnitude, under a model the caller's context chooses, then by its place
// within the class: the top eight bits of the place under a model of the class, the rest raw.
#ifndef VARNOKE_LAZ_INTEGER_DECODER_H
#define VARNOKE_LAZ_INTEGER_DECODER_H

#include <cstdint>
#include <vector>

#include "arithmetic_decoder.h"

namespace varnoke::laz {

class IntegerDecoder {
public:
    // `bits`: the width of the values, 16 (kept within 0 to 2^16 - 1 by wrapping) or 32;
    // `contexts`: how many class models the caller chooses among (at most 64).
    explicit IntegerDecoder(uint32_t bits = 16, uint32_t contexts = 1);

    void reset();  // fresh models (done per chunk)

    int32_t decode(ArithmeticDecoder &dec, int32_t predicted, uint32_t context = 0) {
        const uint32_t sum = static_cast<uint32_t>(predicted) + correction(dec, context);
        if (wrap_ == 0) return static_cast<int32_t>(sum);
        const auto value = static_cast<int32_t>(sum);
        if (value < 0) return static_cast<int32_t>(sum + wrap_);
        return static_cast<int32_t>(sum >= wrap_ ? sum - wrap_ : sum);
    }

    // The class of the last correction: callers use it as a context for what follows.
    uint32_t last_class() const { return class_; }

private:
    static constexpr uint32_t kModelledBits = 8;  // of a place; wider places add raw bits

    // The correction as an unsigned 32-bit pattern (two's complement).
    uint32_t correction(ArithmeticDecoder &dec, uint32_t context) {
        if (context >= classes_.size()) context = 0;
        // Models are reset when first used after reset(): a chunk uses few of them.
        if (((classes_ready_ >> context) & 1u) == 0) {
            classes_[context].reset();
            classes_ready_ |= uint64_t{1} << context;
        }
        class_ = dec.decode_symbol(classes_[context]);
        if (class_ == 0) return dec.decode_bit(zero_or_one_);  // 0 or 1
        if (class_ >= 32) return 0x80000000u;  // the one 32-bit correction outside the classes
        if (((places_ready_ >> class_) & 1u) == 0) {
            places_[class_].reset();
            places_ready_ |= uint64_t{1} << class_;
        }
        uint32_t place = dec.decode_symbol(places_[class_]);
        if (class_ > kModelledBits) {
            const uint32_t raw_bits = class_ - kModelledBits;
            place = (place << raw_bits) | dec.read_bits(raw_bits);
        }
        // Class k holds the magnitudes 2^(k-1)+1 .. 2^k above zero and -(2^k-1) .. -2^(k-1)
        // below: the lower half of the places is the negative side.
        const uint32_t half = 1u << (class_ - 1);
        if (place >= half) return place + 1;
        return place - ((half << 1) - 1);
    }

    uint32_t widest_;  // the widest class: the values' width
    uint32_t wrap_;    // 2^16 for 16-bit values; 0 for 32-bit ones, which wrap by themselves
    uint32_t class_ = 0;
    uint64_t classes_ready_ = 0;        // bit i: classes_[i] reset since reset()
    uint64_t places_ready_ = 0;         // bit k: places_[k] reset since reset()
    std::vector<SymbolModel> classes_;  // one per context, symbols 0 .. widest_
    BitModel zero_or_one_;              // class 0: a correction of 0 or 1
    std::vector<SymbolModel> places_;   // index k: the place within class k
};

}  // namespace varnoke::laz

#endif
