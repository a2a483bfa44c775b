#include "number_text.h"

#include <bit>
#include <charconv>
#include <cmath>

namespace varnoke_las {

void append_number(std::string &out, uint64_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void append_number(std::string &out, double value) {
    if (std::isfinite(value)) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, value);
        out.append(text, result.ptr);
        return;
    }
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    if (bits >> 63) out += '-';
    if (std::isinf(value)) {
        out += "inf";
        return;
    }
    out += "nan";
    constexpr uint64_t kQuietBit = uint64_t{1} << 51;
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    if (fraction == kQuietBit) return;
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, fraction, 16);
    out += "(0x";
    out.append(text, result.ptr);
    out += ')';
}

}  // namespace varnoke_las
