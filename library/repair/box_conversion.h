// The conversion of a raw coordinate to real-world units, the same bits on every platform. Header
// only, so that the tests' own reading of a file can use it where no x87 unit is at hand.
//
// Why it is exact: a finite double is an integer significand of at most 53 bits times a power of
// two, and a 32-bit raw value is an integer of at most 32 bits, so their product is an integer
// of at most 85 bits times the scale's power of two, held exactly in 128 bits. Rounding it to
// 64 bits is a shift with the bits shifted out inspected. For the sum, the larger operand's
// significand is placed 62 bits up in 128 bits and the smaller one aligned below it; bits of the
// smaller one that fall off the bottom are replaced by a set lowest bit. Such bits are lost only
// when the exponents differ by more than 62, and then the exact sum has at least 125 bits, so it
// is rounded at bit 61 or above; the set lowest bit keeps the approximate sum on the same side of
// every rounding boundary as the exact one (boundaries are multiples of 2^60, the approximate sum
// is odd and within 1 of the exact sum), so both round alike. The last rounding to double is a
// shift of the 64-bit significand by 11 bits, or by more where the result is subnormal.
#ifndef VARNOKE_BOX_CONVERSION_H
#define VARNOKE_BOX_CONVERSION_H

#include <bit>
#include <cstdint>
#include <utility>

namespace varnoke {

namespace box_detail {

constexpr uint64_t kSignBit = 0x8000000000000000u;
constexpr uint64_t kInfinity = 0x7FF0000000000000u;
constexpr uint64_t kFractionMask = 0x000FFFFFFFFFFFFFu;
constexpr uint64_t kHiddenBit = 0x0010000000000000u;
constexpr uint64_t kQuietBit = 0x0008000000000000u;
constexpr uint64_t kTopBit = 0x8000000000000000u;
// The x87 result of an invalid operation (0 x infinity, infinity - infinity), as a double.
constexpr uint64_t kDefaultNaN = 0xFFF8000000000000u;

inline bool is_nan(uint64_t bits) {
    return (bits & ~kSignBit) > kInfinity;
}
inline bool is_infinite(uint64_t bits) {
    return (bits & ~kSignBit) == kInfinity;
}
inline bool is_zero(uint64_t bits) {
    return (bits & ~kSignBit) == 0;
}
inline bool is_negative(uint64_t bits) {
    return (bits & kSignBit) != 0;
}

struct U128 {
    uint64_t hi, lo;
};

inline bool operator==(U128 a, U128 b) {
    return a.hi == b.hi && a.lo == b.lo;
}

inline int bit_length(U128 z) {
    return z.hi != 0 ? 128 - std::countl_zero(z.hi) : 64 - std::countl_zero(z.lo);
}

// 0 <= k < 128 for both shifts.
inline U128 shift_left(U128 z, int k) {
    if (k == 0) return z;
    if (k >= 64) return {z.lo << (k - 64), 0};
    return {(z.hi << k) | (z.lo >> (64 - k)), z.lo << k};
}
inline U128 shift_right(U128 z, int k) {
    if (k == 0) return z;
    if (k >= 64) return {0, z.hi >> (k - 64)};
    return {z.hi >> k, (z.lo >> k) | (z.hi << (64 - k))};
}

// Whether any of the lowest k bits of z is set, 0 <= k < 128.
inline bool low_bits_set(U128 z, int k) {
    if (k == 0) return false;
    if (k < 64) return (z.lo & ((uint64_t{1} << k) - 1)) != 0;
    return z.lo != 0 || (k > 64 && (z.hi & ((uint64_t{1} << (k - 64)) - 1)) != 0);
}

inline bool bit_set(U128 z, int k) {
    return k < 64 ? ((z.lo >> k) & 1) != 0 : ((z.hi >> (k - 64)) & 1) != 0;
}

inline U128 add(U128 a, U128 b) {
    const uint64_t lo = a.lo + b.lo;
    return {a.hi + b.hi + (lo < a.lo ? 1 : 0), lo};
}
inline U128 subtract(U128 a, U128 b) {  // a >= b
    return {a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo};
}

// A nonzero finite value: sig x 2^exp, with the top bit of sig set.
struct Extended {
    bool negative;
    uint64_t sig;
    int exp;
};

// The nonzero value z x 2^exp rounded to a 64-bit significand, to nearest, ties to even.
inline Extended round_to_64_bits(bool negative, U128 z, int exp) {
    const int length = bit_length(z);
    if (length <= 64) return {negative, z.lo << (64 - length), exp - (64 - length)};
    const int shift = length - 64;
    uint64_t sig = shift_right(z, shift).lo;
    if (bit_set(z, shift - 1) && (low_bits_set(z, shift - 1) || (sig & 1) != 0)) {
        if (++sig == 0) return {negative, kTopBit, exp + shift + 1};
    }
    return {negative, sig, exp + shift};
}

// A nonzero finite double, exactly.
inline Extended extended_of(uint64_t bits) {
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & kFractionMask;
    const uint64_t sig = biased == 0 ? fraction : fraction | kHiddenBit;
    const int exp = biased == 0 ? -1074 : biased - 1075;
    const int shift = std::countl_zero(sig);
    return {is_negative(bits), sig << shift, exp - shift};
}

// |raw| x |scale| rounded to 64 bits; raw and scale are nonzero and scale is finite.
inline Extended product(int32_t raw, uint64_t scale) {
    const int64_t wide = raw;
    const uint64_t r = static_cast<uint64_t>(wide < 0 ? -wide : wide);  // at most 2^31
    const Extended s = extended_of(scale);
    // The significand back to its at most 53 bits, so that the product fits in 85 bits.
    const int trailing = std::countr_zero(s.sig);
    const uint64_t m = s.sig >> trailing;
    const uint64_t low = r * (m & 0xFFFFFFFFu), high = r * (m >> 32);
    const U128 z = add({0, low}, {high >> 32, high << 32});
    return round_to_64_bits(is_negative(scale) != (raw < 0), z, s.exp + trailing);
}

// a + b rounded to 64 bits, or nothing when they cancel exactly (the sum is then +0).
inline bool sum(Extended a, Extended b, Extended &result) {
    if (a.exp < b.exp || (a.exp == b.exp && a.sig < b.sig)) std::swap(a, b);
    const int distance = a.exp - b.exp;
    const U128 x = shift_left({0, a.sig}, 62);
    U128 y = shift_left({0, b.sig}, 62);
    if (distance >= 126) {
        y = {0, 1};  // b lies wholly below x's lowest bit
    } else if (distance > 0) {
        const bool lost = low_bits_set(y, distance);
        y = shift_right(y, distance);
        if (lost) y.lo |= 1;
    }
    const U128 z = a.negative == b.negative ? add(x, y) : subtract(x, y);
    if (z == U128{0, 0}) return false;
    result = round_to_64_bits(a.negative, z, a.exp - 62);
    return true;
}

// sig / 2^shift rounded to nearest, ties to even; 1 <= shift <= 63.
inline uint64_t shift_rounded(uint64_t sig, int shift) {
    const uint64_t kept = sig >> shift;
    const uint64_t rest = sig & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    return kept + ((rest > half || (rest == half && (kept & 1) != 0)) ? 1 : 0);
}

// v rounded to double (to nearest, ties to even), as bits; infinity beyond the largest double.
inline uint64_t double_bits(Extended v) {
    const uint64_t sign = v.negative ? kSignBit : 0;
    const int lead = v.exp + 63;  // the exponent of the leading bit
    if (lead > 1023) return sign | kInfinity;
    // A normal result keeps 53 bits; its exponent field is added to the rounded significand,
    // hidden bit included, so a carry out of the significand raises the exponent. A subnormal
    // result keeps the bits from 2^-1074 up, and a carry makes it the smallest normal double.
    // Every value converted here is a whole multiple of 2^-1074 (the scale's and the offset's
    // steps are, and rounding to 64 bits only coarsens the step), so at most 63 bits go.
    const bool normal = lead >= -1022;
    const uint64_t field = normal ? static_cast<uint64_t>(lead + 1022) << 52 : 0;
    const uint64_t bits = field + shift_rounded(v.sig, normal ? 11 : -1074 - v.exp);
    return sign | (bits >= kInfinity ? kInfinity : bits);
}

// The NaN that x87 addition returns for a NaN product (always quiet) and a NaN offset: the one of
// larger significand, the positive one of two equal significands. A signalling offset always has
// the smaller significand here, which matches the x87 rule that a quiet NaN wins over a
// signalling one.
inline uint64_t nan_of_sum(uint64_t product_nan, uint64_t offset) {
    const uint64_t p = product_nan & kFractionMask, o = offset & kFractionMask;
    if (p == o) return product_nan & offset;
    return p > o ? product_nan : offset;
}

inline uint64_t to_world_bits(int32_t raw, uint64_t scale, uint64_t offset) {
    const bool product_negative = is_negative(scale) != (raw < 0);
    // The product: NaN, infinite, zero or finite.
    if (is_nan(scale)) {
        const uint64_t p = scale | kQuietBit;
        return is_nan(offset) ? nan_of_sum(p, offset) : p;
    }
    if (is_infinite(scale)) {
        const uint64_t p = raw == 0 ? kDefaultNaN : (product_negative ? kSignBit : 0) | kInfinity;
        if (is_nan(offset)) return raw == 0 ? nan_of_sum(p, offset) : offset | kQuietBit;
        if (raw == 0) return p;
        if (is_infinite(offset) && offset != p) return kDefaultNaN;
        return p;
    }
    if (is_nan(offset)) return offset | kQuietBit;
    if (is_infinite(offset)) return offset;
    if (raw == 0 || is_zero(scale)) {
        if (!is_zero(offset)) return offset;
        return product_negative && is_negative(offset) ? kSignBit : 0;
    }
    const Extended p = product(raw, scale);
    if (is_zero(offset)) return double_bits(p);
    Extended total;
    return sum(p, extended_of(offset), total) ? double_bits(total) : 0;
}

}  // namespace box_detail

// raw x scale + offset as the x87 unit of an x86 processor computes it with a 64-bit significand:
// the product and the sum each rounded to 64 significant bits (to nearest, ties to even), the sum
// then rounded to double once, with the x87 results for zeros, infinities, overflow and NaNs (an
// invalid operation gives the x87 default NaN; a NaN operand's payload is kept, quieted). The
// arithmetic is done on integers, so the result does not depend on the platform's long double.
inline double to_world(int32_t raw, double scale, double offset) {
    return std::bit_cast<double>(box_detail::to_world_bits(raw, std::bit_cast<uint64_t>(scale),
                                                           std::bit_cast<uint64_t>(offset)));
}

}  // namespace varnoke

#endif
