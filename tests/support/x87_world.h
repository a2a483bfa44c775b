// raw x scale + offset computed by the x87 unit itself, for the processors that have one: the
// reference the portable conversion is held to.
#ifndef VARNOKE_TESTS_X87_WORLD_H
#define VARNOKE_TESTS_X87_WORLD_H

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define LASTEST_HAVE_X87 1

namespace lastest {

// The instructions GCC and Clang emit for the long double expression
//     (double)((long double)raw * (long double)scale + (long double)offset)
// when optimising: the scale and the offset are memory operands of the multiply and the add.
// (Unoptimised code loads them into registers first, which quiets a signalling NaN offset early
// and so can pick another NaN for a NaN product plus a signalling NaN offset.) The control word
// is set to a 64-bit significand and rounding to nearest for the three instructions, whatever
// the C runtime left in it.
inline double x87_world(int32_t raw, double scale, double offset) {
    double result;
    uint16_t saved;
    const uint16_t extended_to_nearest = 0x037F;
    __asm__ volatile(
        "fnstcw %[saved]\n\t"
        "fldcw %[control]\n\t"
        "fildl %[raw]\n\t"
        "fmull %[scale]\n\t"
        "faddl %[offset]\n\t"
        "fstpl %[result]\n\t"
        "fldcw %[saved]"
        : [result] "=m"(result), [saved] "=m"(saved)
        : [control] "m"(extended_to_nearest), [raw] "m"(raw), [scale] "m"(scale),
          [offset] "m"(offset));
    return result;
}

}  // namespace lastest

#endif

#endif
