// The portable box conversion against the x87 unit: millions of inputs drawn from a fixed seed,
// compared one by one where the processor has an x87 unit, and summed up in a digest that must
// be the same on every platform.
#include "box_conversion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "random/splitmix64.h"
#include "support/x87_world.h"

namespace lastest {
namespace {

using varnoke_random::SplitMix64;

uint64_t bits_of(double d) {
    return std::bit_cast<uint64_t>(d);
}
double double_of(uint64_t b) {
    return std::bit_cast<double>(b);
}

uint64_t portable_bits(int32_t raw, uint64_t scale, uint64_t offset) {
    return bits_of(varnoke::to_world(raw, double_of(scale), double_of(offset)));
}

struct Input {
    int32_t raw;
    uint64_t scale, offset;
};

constexpr uint64_t kSign = 0x8000000000000000u;
constexpr uint64_t kFraction = 0x000FFFFFFFFFFFFFu;

// Random bits with a random number of low bits cleared.
uint64_t some_fraction(SplitMix64 &rng) {
    const uint64_t bits = rng.next();
    return bits & (kFraction << rng.below(53));
}

uint64_t make_double(bool negative, uint64_t biased_exponent, uint64_t fraction) {
    return (negative ? kSign : 0) | (biased_exponent << 52) | (fraction & kFraction);
}

// A raw value of a random number of significant bits, or one of the extremes.
int32_t some_raw(SplitMix64 &rng) {
    static constexpr int32_t extremes[] = {
        0, 1, -1, 2, -2, 2147483647, -2147483647 - 1, 2147483646, -2147483646, 10000000, -10000000};
    if (rng.below(8) == 0) return extremes[rng.below(std::size(extremes))];
    const unsigned length = static_cast<unsigned>(rng.below(33));
    const uint64_t magnitude = length == 0 ? 0 : rng.next() >> (64 - length);
    const int64_t value = rng.coin() ? -static_cast<int64_t>(magnitude)
                                     : static_cast<int64_t>(magnitude & 0x7FFFFFFFu);
    return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value);
}

// A double whose fields are each drawn from their interesting values or at random: exponents
// of zeros and subnormals, of the smallest and largest normals, of infinities and NaNs, and
// around one; fractions of none, one or a few significant bits, quiet and signalling NaN
// payloads, all ones, or random bits with a random number of low bits cleared.
uint64_t some_double(SplitMix64 &rng) {
    uint64_t exponent;
    switch (rng.below(6)) {
        case 0:
            exponent = rng.below(4);
            break;
        case 1:
            exponent = 2047 - rng.below(4);
            break;
        case 2:
            exponent = 1023 - 80 + rng.below(160);
            break;
        case 3:
            exponent = rng.below(64);
            break;
        case 4:
            exponent = 2047 - rng.below(80);
            break;
        default:
            exponent = rng.below(2048);
            break;
    }
    uint64_t fraction;
    switch (rng.below(6)) {
        case 0:
            fraction = 0;
            break;
        case 1:
            fraction = uint64_t{1} << rng.below(52);
            break;
        case 2:
            fraction = rng.coin() ? 0x0008000000000000u : 0x0004000000000000u;
            break;
        case 3:
            fraction = kFraction - rng.below(3);
            break;
        default:
            fraction = some_fraction(rng);
            break;
    }
    const bool negative = rng.coin();
    return make_double(negative, exponent, fraction);
}

// Scales and offsets of the kind real files carry.
uint64_t some_scale(SplitMix64 &rng) {
    static constexpr double scales[] = {1,     0.5,    0.25,  0.1,    0.05,    0.01, 0.005,
                                        0.001, 0.0025, 1e-4,  2.5e-4, 1e-5,    1e-6, 1e-7,
                                        1e-8,  1e-9,   0.125, 0.3048, 1e-3 / 3};
    return bits_of(scales[rng.below(std::size(scales))]);
}
uint64_t some_offset(SplitMix64 &rng) {
    switch (rng.below(4)) {
        case 0:
            return 0;
        case 1:
            return bits_of(
                static_cast<double>(static_cast<int64_t>(rng.below(20000001)) - 10000000));
        case 2: {  // up to ten million, to 2^-20
            constexpr int64_t kSpan = int64_t{10000000} << 20;
            const auto steps = static_cast<int64_t>(rng.below(2 * kSpan + 1)) - kSpan;
            return bits_of(std::ldexp(static_cast<double>(steps), -20));
        }
        default: {
            const auto steps = static_cast<int64_t>(rng.next() >> 11);
            return bits_of(std::ldexp(static_cast<double>(rng.coin() ? -steps : steps), -60));
        }
    }
}

// The leading bit's exponent of raw x scale, from double arithmetic (one off at most).
int rough_exponent(int32_t raw, uint64_t scale) {
    return std::ilogb(static_cast<double>(raw) * double_of(scale));
}

// An offset placed where the sum rounds at its limits: half a step of the product's 64-bit or
// 53-bit significand and their neighbours, anything from 70 binary places below the product to
// two above, or the product itself negated, nearly cancelling it.
uint64_t boundary_offset(SplitMix64 &rng, int32_t raw, uint64_t scale) {
    const double rounded = static_cast<double>(raw) * double_of(scale);
    if (!std::isfinite(rounded) || rounded == 0) return some_double(rng);
    if (rng.below(4) == 0) {
        const uint64_t nearby = bits_of(-rounded) + rng.below(5) - 2;
        return nearby;
    }
    const int exponent = rough_exponent(raw, scale) - 70 + static_cast<int>(rng.below(73));
    double mantissa;
    switch (rng.below(5)) {
        case 0:
            mantissa = 1;
            break;
        case 1:
            mantissa = 1 + 0x1.0p-52;
            break;
        case 2:
            mantissa = 1 - 0x1.0p-53;
            break;
        case 3:
            mantissa = 1.5;
            break;
        default:
            mantissa = std::ldexp(static_cast<double>(8 + (rng.next() >> 61)), -3);
            break;
    }
    return bits_of(std::ldexp(rng.coin() ? -mantissa : mantissa, exponent));
}

// A scale with a random number of significant bits, so that products are often exact in 64 bits
// and their low bits reach the rounding positions.
uint64_t short_scale(SplitMix64 &rng) {
    const uint64_t exponent = 1023 - 40 + rng.below(80);
    const bool negative = rng.coin();
    return make_double(negative, exponent, some_fraction(rng));
}

// A scale whose product with `raw` (odd, at least 2^30) lies at or beside a tie of the rounding
// to 64 bits: the low bits of the 83 or 84-bit product are set to half a step, plus or minus one.
uint64_t tie_scale(SplitMix64 &rng, int32_t raw) {
    const unsigned dropped = 19 + static_cast<unsigned>(rng.below(2));
    const uint64_t mask = (uint64_t{1} << dropped) - 1;
    const uint64_t target = ((uint64_t{1} << (dropped - 1)) + rng.below(3) - 1) & mask;
    // The inverse of the odd raw modulo 2^64, by Newton's iteration.
    const uint64_t r = static_cast<uint64_t>(static_cast<int64_t>(raw));
    uint64_t inverse = r;
    for (int k = 0; k < 5; ++k) inverse *= 2 - r * inverse;
    const uint64_t low = (target * inverse) & mask;
    const uint64_t significand =
        ((rng.next() | (uint64_t{1} << 52)) & ~mask & 0x001FFFFFFFFFFFFFu) | low;
    const bool negative = rng.coin();
    return make_double(negative, 1023 - 40 + rng.below(80), significand);
}

// A double of random sign and fraction with one of the `span` lowest exponents, or one of the
// `span` highest below those of infinities and NaNs.
uint64_t extreme_double(SplitMix64 &rng, bool tiny, uint64_t span) {
    const bool negative = rng.coin();
    const uint64_t exponent = tiny ? rng.below(span) : 2046 - rng.below(span);
    return make_double(negative, exponent, rng.next());
}

int32_t large_odd_raw(SplitMix64 &rng) {
    const auto magnitude = static_cast<int32_t>((rng.next() >> 33) | 0x40000001u);
    return rng.coin() ? -magnitude : magnitude;
}

// The draws below build doubles from bit patterns, integer conversions, ldexp and single
// multiplications, never a product feeding a sum, which a compiler may fuse into one instruction
// (GCC does on ARM): the inputs, and so the digest, are the same on every platform.
struct Family {
    const char *name;
    Input (*draw)(SplitMix64 &rng);
};

const Family kFamilies[] = {
    {"random bits",
     [](SplitMix64 &rng) {
         return Input{static_cast<int32_t>(rng.next()), rng.next(), rng.next()};
     }},
    {"interesting fields",
     [](SplitMix64 &rng) {
         return Input{some_raw(rng), some_double(rng), some_double(rng)};
     }},
    {"scales and offsets of real files",
     [](SplitMix64 &rng) {
         return Input{static_cast<int32_t>(rng.next()), some_scale(rng), some_offset(rng)};
     }},
    {"offsets at the rounding boundaries",
     [](SplitMix64 &rng) {
         const int32_t raw = some_raw(rng);
         const uint64_t scale = rng.coin() ? short_scale(rng) : some_scale(rng);
         return Input{raw, scale, boundary_offset(rng, raw, scale)};
     }},
    {"products at the rounding boundaries",
     [](SplitMix64 &rng) {
         const int32_t raw = large_odd_raw(rng);
         const uint64_t scale = tie_scale(rng, raw);
         return Input{raw, scale, rng.coin() ? 0 : boundary_offset(rng, raw, scale)};
     }},
    {"subnormal and overflowing results",
     [](SplitMix64 &rng) {
         const int32_t raw = some_raw(rng);
         const bool tiny = rng.coin();
         const uint64_t scale = extreme_double(rng, tiny, tiny ? 40 : 41);
         const uint64_t offset =
             rng.coin() ? boundary_offset(rng, raw, scale) : extreme_double(rng, tiny, 4);
         return Input{raw, scale, offset};
     }},
};

// Inputs per family; the digest below belongs to this count and the draws above.
constexpr uint64_t kPerFamily = uint64_t{1} << 22;

// The digest of every result in order: each step is a bijection of the state for a given result,
// so one differing result always changes it.
uint64_t fold(uint64_t digest, uint64_t result) {
    digest = (digest ^ result) * 0x9E3779B97F4A7C15u;
    return (digest << 29) | (digest >> 35);
}
// Recorded on x86-64, where every one of the results was also compared with the x87 unit.
constexpr uint64_t kExpectedDigest = 0xfd09ff5e8995f35eu;

#if defined(LASTEST_HAVE_X87)
std::string describe(const Input &in) {
    char text[128];
    std::snprintf(text, sizeof text, "raw %d, scale %016llx, offset %016llx", in.raw,
                  static_cast<unsigned long long>(in.scale),
                  static_cast<unsigned long long>(in.offset));
    return text;
}
#endif

#if defined(LASTEST_HAVE_X87) && defined(__OPTIMIZE__)
// The expression the conversion was once written as, compiled with the project's flags: the
// reference above must be what it compiles to.
[[gnu::noinline]] double long_double_world(int32_t raw, double scale, double offset) {
    const long double product = static_cast<long double>(raw) * static_cast<long double>(scale);
    const long double sum = product + static_cast<long double>(offset);
    return static_cast<double>(sum);
}
#endif

// Results worked out by hand, each telling one rule of the x87 arithmetic from a plausible
// mistake; they hold on every platform.
TEST(BoxConversion, KnownResults) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char *what;
        int32_t raw;
        uint64_t scale, offset, expected;
    };
    const Case cases[] = {
        {"a value of a real file", 100, bits_of(0.01), bits_of(1000), bits_of(1001)},
        {"the product is rounded to 64 bits first: 2^64 + 1 becomes 2^64 (exact: 1)", 274177,
         bits_of(67280421310721.0), bits_of(-0x1p64), 0},
        {"the sum is rounded to 64 bits, to a tie of double (exact: 2^64 + 4096)", 1, bits_of(2049),
         bits_of(0x1p64), bits_of(0x1p64)},
        {"a tie of double goes to the even neighbour", 1, bits_of(1), bits_of(0x1p53),
         bits_of(0x1p53)},
        {"-0 + -0 is -0", -5, bits_of(0.0), bits_of(-0.0), bits_of(-0.0)},
        {"0 x -1 is -0", 0, bits_of(-1.0), bits_of(-0.0), bits_of(-0.0)},
        {"+0 + -0 is +0", 0, bits_of(1.0), bits_of(-0.0), 0},
        {"an exact cancellation is +0", 3, bits_of(1.0), bits_of(-3.0), 0},
        {"0 x infinity is the default NaN", 0, bits_of(kInf), bits_of(1.0), 0xFFF8000000000000u},
        {"-1 x infinity is -infinity", -1, bits_of(kInf), bits_of(5.0), bits_of(-kInf)},
        {"infinity - infinity is the default NaN", 2, bits_of(kInf), bits_of(-kInf),
         0xFFF8000000000000u},
        {"a signalling NaN scale is quieted, its payload kept", 7, 0x7FF0000000000123u,
         bits_of(1.0), 0x7FF8000000000123u},
        {"a NaN scale keeps its sign whatever the raw value's", -7, 0x7FF4000000000000u,
         bits_of(1.0), 0x7FFC000000000000u},
        {"of two NaNs the larger significand wins", 1, 0x7FF8000000000001u, 0xFFF8000000000002u,
         0xFFF8000000000002u},
        {"of two NaNs of equal significand the positive one wins", 1, 0xFFF8000000000005u,
         0x7FF8000000000005u, 0x7FF8000000000005u},
        {"the default NaN against a positive quiet NaN of equal significand", 0, bits_of(kInf),
         0x7FF8000000000000u, 0x7FF8000000000000u},
        {"a quiet NaN product wins over a signalling NaN offset", 1, 0x7FF8000000000000u,
         0x7FF4000000000000u, 0x7FF8000000000000u},
        {"a signalling NaN offset is quieted", 1, bits_of(2.0), 0xFFF0000000000001u,
         0xFFF8000000000001u},
        {"a product beyond double overflows", 2147483647, bits_of(kMax), 0, bits_of(kInf)},
        {"a product beyond double is brought back by the offset", 2, bits_of(kMax), bits_of(-kMax),
         bits_of(kMax)},
        {"half a step above the largest double rounds to infinity", 1, bits_of(kMax),
         bits_of(0x1p970), bits_of(kInf)},
        {"less than half a step above it stays", 1, bits_of(kMax), bits_of(0x1p969), bits_of(kMax)},
        {"a subnormal result", -1, bits_of(0x1p-1022), 1, 0x800FFFFFFFFFFFFFu},
        {"a subnormal scale", 2147483647, 1, 0, 0x000000007FFFFFFFu},
        {"-2^31 x the smallest negative subnormal", -2147483647 - 1, kSign | 1, 0,
         0x0000000080000000u},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(portable_bits(c.raw, c.scale, c.offset), c.expected) << c.what;
#if defined(LASTEST_HAVE_X87)
        EXPECT_EQ(bits_of(x87_world(c.raw, double_of(c.scale), double_of(c.offset))), c.expected)
            << c.what << " (x87)";
#endif
    }
}

TEST(BoxConversion, SameBitsAsTheX87UnitOnMillionsOfInputs) {
    uint64_t digest = 0;
    uint64_t compared = 0, mismatches = 0;
    for (std::size_t f = 0; f < std::size(kFamilies); ++f) {
        SplitMix64 rng(0x5EED0000u + f);
        for (uint64_t n = 0; n < kPerFamily; ++n) {
            const Input in = kFamilies[f].draw(rng);
            const uint64_t got = portable_bits(in.raw, in.scale, in.offset);
            digest = fold(digest, got);
#if defined(LASTEST_HAVE_X87)
            const uint64_t want =
                bits_of(x87_world(in.raw, double_of(in.scale), double_of(in.offset)));
            ++compared;
            if (got != want && ++mismatches <= 10) {
                ADD_FAILURE() << kFamilies[f].name << ": " << describe(in) << ": portable "
                              << std::hex << got << ", x87 " << want;
            }
#if defined(__OPTIMIZE__)
            const uint64_t expression =
                bits_of(long_double_world(in.raw, double_of(in.scale), double_of(in.offset)));
            if (expression != want && ++mismatches <= 10) {
                ADD_FAILURE() << kFamilies[f].name << ": " << describe(in) << ": long double "
                              << std::hex << expression << ", x87 " << want;
            }
#endif
#endif
        }
    }
    EXPECT_EQ(mismatches, 0u) << "of " << compared;
    EXPECT_EQ(digest, kExpectedDigest) << std::hex << "digest 0x" << digest;
    std::printf("%llu inputs, %llu compared with the x87 unit, digest 0x%016llx\n",
                static_cast<unsigned long long>(kPerFamily * std::size(kFamilies)),
                static_cast<unsigned long long>(compared), static_cast<unsigned long long>(digest));
}

}  // namespace
}  // namespace lastest
