#include "point_scan.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace varnoke {

namespace {

int32_t load_i32(const unsigned char *p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The stride is given as a compile-time constant for the record lengths the validation accepts,
// so that the loop compiles to plain loads, conditional moves and increments. Return numbers go to
// four lanes of counters in turn, so that a run of records with the same return number does not
// chain every increment on the previous one.
template <typename StrideT>
void tally_strided(const unsigned char *data, std::size_t count, StrideT stride,
                   PointTally &tally) {
    const std::size_t step = stride;
    constexpr std::size_t kLanes = 4;
    uint64_t lanes[kLanes][8] = {};
    int32_t min_x = tally.min[0], min_y = tally.min[1], min_z = tally.min[2];
    int32_t max_x = tally.max[0], max_y = tally.max[1], max_z = tally.max[2];

    const auto visit = [&](const unsigned char *r, uint64_t *counters) {
        const int32_t x = load_i32(r), y = load_i32(r + 4), z = load_i32(r + 8);
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
        min_z = std::min(min_z, z);
        max_z = std::max(max_z, z);
        ++counters[r[14] & 7];
    };

    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const unsigned char *r = data + i * step;
        for (std::size_t lane = 0; lane < kLanes; ++lane) visit(r + lane * step, lanes[lane]);
    }
    for (; i < count; ++i) visit(data + i * step, lanes[0]);

    tally.min[0] = min_x, tally.min[1] = min_y, tally.min[2] = min_z;
    tally.max[0] = max_x, tally.max[1] = max_y, tally.max[2] = max_z;
    for (const auto &lane : lanes) {
        for (std::size_t n = 0; n < 8; ++n) tally.by_return[n] += lane[n];
    }
    tally.records += count;
}

}  // namespace

void tally_records(const unsigned char *data, std::size_t count, std::size_t record_length,
                   PointTally &tally) {
    switch (record_length) {
        case 20:
            return tally_strided(data, count, std::integral_constant<std::size_t, 20>{}, tally);
        case 26:
            return tally_strided(data, count, std::integral_constant<std::size_t, 26>{}, tally);
        case 28:
            return tally_strided(data, count, std::integral_constant<std::size_t, 28>{}, tally);
        case 34:
            return tally_strided(data, count, std::integral_constant<std::size_t, 34>{}, tally);
        default:
            return tally_strided(data, count, record_length, tally);
    }
}

bool scan_points(std::FILE *f, std::size_t record_length, unsigned char *buffer,
                 std::size_t buffer_size, PointTally &tally) {
    const std::size_t capacity = buffer_size / record_length * record_length;
    std::size_t carry = 0;  // bytes of a record split across two reads
    for (;;) {
        const std::size_t wanted = capacity - carry;
        const std::size_t got = std::fread(buffer + carry, 1, wanted, f);
        const std::size_t available = carry + got;
        const std::size_t whole = available / record_length;
        tally_records(buffer, whole, record_length, tally);
        carry = available - whole * record_length;
        if (carry != 0) std::memmove(buffer, buffer + whole * record_length, carry);
        if (got < wanted) {
            if (std::ferror(f)) return false;
            if (std::feof(f)) return true;
        }
    }
}

}  // namespace varnoke
