#include "point_scan.h"

#include <cstring>
#include <type_traits>

namespace varnoke {

namespace {

// X, Y and Z of one record, and the four bytes after them, as the lanes of one vector.
using Lanes = int32_t __attribute__((vector_size(16)));

Lanes load_lanes(const unsigned char *record) {
    Lanes v;
    std::memcpy(&v, record, sizeof v);
    return v;
}

Lanes lanes_min(Lanes a, Lanes b) {
    return a < b ? a : b;
}
Lanes lanes_max(Lanes a, Lanes b) {
    return a > b ? a : b;
}

// The stride is given as a compile-time constant for the record lengths the validation accepts,
// so that the loop compiles to plain vector loads, compares and increments. Four records are
// taken at a time, each into its own set of running extremes and return-number counters, so that
// consecutive records do not chain their work on each other.
template <typename StrideT>
void tally_strided(const unsigned char *data, std::size_t count, StrideT stride,
                   PointTally &tally) {
    constexpr std::size_t kWays = 4;
    const std::size_t step = stride;
    uint64_t counters[kWays][8] = {};
    Lanes lo[kWays], hi[kWays];
    for (std::size_t w = 0; w < kWays; ++w) {
        lo[w] = Lanes{tally.min[0], tally.min[1], tally.min[2], 0};
        hi[w] = Lanes{tally.max[0], tally.max[1], tally.max[2], 0};
    }
    const auto visit = [&](const unsigned char *r, std::size_t way) {
        const Lanes v = load_lanes(r);
        lo[way] = lanes_min(lo[way], v);
        hi[way] = lanes_max(hi[way], v);
        ++counters[way][r[14] & 7];
    };

    std::size_t i = 0;
    for (; i + kWays <= count; i += kWays) {
        const unsigned char *r = data + i * step;
        for (std::size_t w = 0; w < kWays; ++w) visit(r + w * step, w);
    }
    for (; i < count; ++i) visit(data + i * step, 0);

    for (std::size_t w = 1; w < kWays; ++w) {
        lo[0] = lanes_min(lo[0], lo[w]);
        hi[0] = lanes_max(hi[0], hi[w]);
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        tally.min[axis] = lo[0][axis];
        tally.max[axis] = hi[0][axis];
    }
    for (const auto &way : counters) {
        for (std::size_t n = 0; n < 8; ++n) tally.by_return[n] += way[n];
    }
    tally.records += count;
}

// Tallies `count` whole records of `record_length` bytes (at least 16) laid out in `data`.
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

}  // namespace

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
