#include "record_tally.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "cpu_features.h"

namespace varnoke {

namespace {

// X, Y and Z of one record, and the four bytes after them, as the lanes of one vector.
using Lanes = int32_t __attribute__((vector_size(16)));

inline Lanes load_lanes(const unsigned char *record) {
    Lanes v;
    std::memcpy(&v, record, sizeof v);
    return v;
}

inline Lanes lanes_min(Lanes a, Lanes b) {
    return a < b ? a : b;
}
inline Lanes lanes_max(Lanes a, Lanes b) {
    return a > b ? a : b;
}

// Counts by return number, kept packed one byte per number so that a record adds to a register
// rather than to memory; the bytes are added to the totals before any of them can overflow.
// Three bits: eight numbers in a 64-bit word, a shift and an add per record. Four bits: sixteen
// numbers in a vector of bytes, a compare with 0 to 15 and a subtract per record.
template <unsigned kReturnBits>
struct PackedCounts;

template <>
struct PackedCounts<3> {
    uint64_t word = 0;
    void add(unsigned char flags) { word += uint64_t{1} << ((flags & 7U) * 8U); }
    uint64_t at(std::size_t n) const { return (word >> (8 * n)) & 0xFFU; }
};

using ByteLanes = uint8_t __attribute__((vector_size(16)));
inline constexpr ByteLanes kEveryNumber = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

template <>
struct PackedCounts<4> {
    ByteLanes bytes = {};
    void add(unsigned char flags) {
        const auto number = static_cast<uint8_t>(flags & 15U);
        bytes -= reinterpret_cast<ByteLanes>((ByteLanes{} + number) == kEveryNumber);
    }
    uint64_t at(std::size_t n) const { return bytes[n]; }
};

// The stride is given as a compile-time constant for the common record lengths, so that the
// loop compiles to plain vector loads, compares and increments. Four records are taken at a
// time, each into its own set of running extremes and return-number counters, so that
// consecutive records do not chain their work on each other; the four ways are unrolled so that
// their extremes stay in registers.
template <unsigned kReturnBits, typename StrideT>
[[gnu::always_inline]] inline void tally_strided(const unsigned char *data, std::size_t count,
                                                 StrideT stride, PointTally &tally) {
    constexpr std::size_t kWays = 4;
    constexpr unsigned kNumbers = 1U << kReturnBits;
    constexpr std::size_t kMostGroups = 255;  // records per way before a count byte could wrap
    using Packed = PackedCounts<kReturnBits>;
    const std::size_t step = stride;
    uint64_t counters[kNumbers] = {};
    uint64_t above[kWays] = {};
    Lanes lo[kWays], hi[kWays];
    for (std::size_t w = 0; w < kWays; ++w) {
        lo[w] = Lanes{tally.min[0], tally.min[1], tally.min[2], 0};
        hi[w] = Lanes{tally.max[0], tally.max[1], tally.max[2], 0};
    }
    const auto visit = [&](const unsigned char *r, std::size_t way, Packed &packed) {
        const Lanes v = load_lanes(r);
        lo[way] = lanes_min(lo[way], v);
        hi[way] = lanes_max(hi[way], v);
        packed.add(r[14]);
        // The number of returns sits above the return number in the same byte.
        constexpr unsigned kMask = kNumbers - 1;
        above[way] += (r[14] & kMask) > ((r[14] >> kReturnBits) & kMask);
    };
    const auto unpack = [&](const Packed &packed) {
        for (std::size_t n = 0; n < kNumbers; ++n) counters[n] += packed.at(n);
    };

    std::size_t i = 0;
    while (i + kWays <= count) {
        const std::size_t groups = std::min((count - i) / kWays, kMostGroups);
        Packed packed[kWays] = {};
        for (std::size_t g = 0; g < groups; ++g, i += kWays) {
            const unsigned char *r = data + i * step;
#pragma GCC unroll 4
            for (std::size_t w = 0; w < kWays; ++w) visit(r + w * step, w, packed[w]);
        }
        for (const Packed &p : packed) unpack(p);
    }
    for (; i < count; ++i) {
        Packed packed;
        visit(data + i * step, 0, packed);
        unpack(packed);
    }

    for (std::size_t w = 1; w < kWays; ++w) {
        lo[0] = lanes_min(lo[0], lo[w]);
        hi[0] = lanes_max(hi[0], hi[w]);
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        tally.min[axis] = lo[0][axis];
        tally.max[axis] = hi[0][axis];
    }
    for (std::size_t n = 0; n < kNumbers; ++n) tally.by_return[n] += counters[n];
    for (const uint64_t n : above) tally.return_above += n;
    tally.records += count;
}

template <std::size_t kLength>
using Stride = std::integral_constant<std::size_t, kLength>;

template <unsigned kReturnBits>
[[gnu::always_inline]] inline void tally_lengths(const unsigned char *data, std::size_t count,
                                                 std::size_t record_length, PointTally &tally) {
    // The lengths of point formats 0 to 3 (LAS 1.0 to 1.2) and 6 and 7 (the common ones of 1.4).
    switch (record_length) {
        case 20:
            return tally_strided<kReturnBits>(data, count, Stride<20>{}, tally);
        case 26:
            return tally_strided<kReturnBits>(data, count, Stride<26>{}, tally);
        case 28:
            return tally_strided<kReturnBits>(data, count, Stride<28>{}, tally);
        case 30:
            return tally_strided<kReturnBits>(data, count, Stride<30>{}, tally);
        case 34:
            return tally_strided<kReturnBits>(data, count, Stride<34>{}, tally);
        case 36:
            return tally_strided<kReturnBits>(data, count, Stride<36>{}, tally);
        default:
            return tally_strided<kReturnBits>(data, count, record_length, tally);
    }
}

[[gnu::always_inline]] inline void tally_any(const unsigned char *data, std::size_t count,
                                             std::size_t record_length, unsigned return_bits,
                                             PointTally &tally) {
    if (return_bits == 4) return tally_lengths<4>(data, count, record_length, tally);
    tally_lengths<3>(data, count, record_length, tally);
}

// The same tally twice: for every x86-64 processor, whose vectors have no signed 32-bit minimum
// or maximum, and for processors with SSE4.1, which have them as single instructions. The choice,
// made when the library is loaded, changes the speed only.
#if defined(VARNOKE_LOAD_TIME_DISPATCH)
[[gnu::target("sse4.1")]] void tally_sse41(const unsigned char *data, std::size_t count,
                                           std::size_t record_length, unsigned return_bits,
                                           PointTally &tally) {
    tally_any(data, count, record_length, return_bits, tally);
}
#endif

}  // namespace

void tally_records_baseline(const unsigned char *data, std::size_t count, std::size_t record_length,
                            unsigned return_bits, PointTally &tally) {
    tally_any(data, count, record_length, return_bits, tally);
}

#if defined(VARNOKE_LOAD_TIME_DISPATCH)
using TallyForm = void(const unsigned char *, std::size_t, std::size_t, unsigned, PointTally &);

extern "C" VARNOKE_RESOLVER TallyForm *varnoke_resolve_tally_records() {
    return cpu::has_sse41() ? tally_sse41 : tally_records_baseline;
}

void tally_records(const unsigned char *data, std::size_t count, std::size_t record_length,
                   unsigned return_bits, PointTally &tally)
    __attribute__((ifunc("varnoke_resolve_tally_records")));
#else
void tally_records(const unsigned char *data, std::size_t count, std::size_t record_length,
                   unsigned return_bits, PointTally &tally) {
    tally_records_baseline(data, count, record_length, return_bits, tally);
}
#endif

void merge(PointTally &whole, const PointTally &part) {
    whole.records += part.records;
    for (std::size_t n = 0; n < 16; ++n) whole.by_return[n] += part.by_return[n];
    whole.return_above += part.return_above;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        whole.min[axis] = std::min(whole.min[axis], part.min[axis]);
        whole.max[axis] = std::max(whole.max[axis], part.max[axis]);
    }
}

}  // namespace varnoke
