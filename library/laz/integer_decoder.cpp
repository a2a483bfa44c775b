#include "integer_decoder.h"

namespace varnoke::laz {

IntegerDecoder::IntegerDecoder(uint32_t bits, uint32_t contexts)
    : widest_(bits == 16 ? 16 : 32), wrap_(bits == 16 ? 1u << 16 : 0) {
    // At most 64 contexts, so that one word says which are ready.
    if (contexts == 0) contexts = 1;
    if (contexts > 64) contexts = 64;
    classes_.assign(contexts, SymbolModel(widest_ + 1, false));
    places_.reserve(widest_ + 1);
    places_.emplace_back(2, false);  // class 0 uses the bit model; a placeholder keeps the index
    for (uint32_t k = 1; k <= widest_; ++k) {
        places_.emplace_back(1u << (k <= kModelledBits ? k : kModelledBits), false);
    }
}

void IntegerDecoder::reset() {
    classes_ready_ = 0;
    zero_or_one_.reset();
    places_ready_ = 0;
    class_ = 0;
}

}  // namespace varnoke::laz
