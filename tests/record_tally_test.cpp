// The per-record work, compared with a plain loop: both compiled forms of the tally, every
// record length the scan meets, counts that leave every remainder of the four-way loop, tallies
// carried over from earlier blocks, and tallies merged from two threads' parts.
#include "record_tally.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace lastest {
namespace {

using varnoke::PointTally;

PointTally reference_tally(const std::vector<unsigned char> &data, std::size_t count,
                           std::size_t length, unsigned bits, PointTally t = {}) {
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char *r = data.data() + i * length;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            int32_t v;
            std::memcpy(&v, r + 4 * axis, sizeof v);
            t.min[axis] = std::min(t.min[axis], v);
            t.max[axis] = std::max(t.max[axis], v);
        }
        ++t.by_return[r[14] % (1U << bits)];
        if (r[14] % (1U << bits) > (r[14] >> bits) % (1U << bits)) ++t.return_above;
        ++t.records;
    }
    return t;
}

void expect_same(const PointTally &got, const PointTally &want) {
    EXPECT_EQ(got.records, want.records);
    for (std::size_t n = 0; n < 16; ++n) EXPECT_EQ(got.by_return[n], want.by_return[n]) << n;
    EXPECT_EQ(got.return_above, want.return_above);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(got.min[axis], want.min[axis]) << "axis " << axis;
        EXPECT_EQ(got.max[axis], want.max[axis]) << "axis " << axis;
    }
}

// Random bytes; in some arrays the coordinates sit at the 32-bit limits, where a comparison
// that wrapped around would pick the wrong one, and every record has return number 13 (5 in
// three bits), so that a count kept in too narrow a field would overflow.
std::vector<unsigned char> random_records(std::mt19937 &rng, std::size_t count, std::size_t length,
                                          bool limits) {
    std::vector<unsigned char> data(count * length);
    for (auto &b : data) b = static_cast<unsigned char>(rng());
    if (limits) {
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t axis = 0; axis < 3; ++axis) {
                const int32_t v = rng() % 2 ? INT32_MIN : INT32_MAX;
                if (rng() % 3 == 0) std::memcpy(&data[i * length + 4 * axis], &v, sizeof v);
            }
            data[i * length + 14] = static_cast<unsigned char>((data[i * length + 14] & 0xF0) | 13);
        }
    }
    return data;
}

using Tally = void (*)(const unsigned char *, std::size_t, std::size_t, unsigned, PointTally &);

TEST(RecordTally, BothFormsMatchAPlainLoop) {
    const struct {
        const char *name;
        Tally tally;
    } forms[] = {{"dispatched", varnoke::tally_records},
                 {"baseline", varnoke::tally_records_baseline}};
    std::mt19937 rng(20261208);
    for (const auto &form : forms) {
        for (const unsigned bits : {3u, 4u}) {
            for (const std::size_t length : {16u, 20u, 26u, 28u, 30u, 34u, 36u, 37u}) {
                for (const std::size_t count :
                     {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 1001u, 4099u}) {
                    for (const bool limits : {false, true}) {
                        SCOPED_TRACE(testing::Message()
                                     << form.name << ", " << bits << " bits, length " << length
                                     << ", " << count << " records"
                                     << (limits ? ", at the limits" : ""));
                        const auto data = random_records(rng, count, length, limits);
                        // A tally carried over from an earlier block must keep its extremes.
                        const PointTally earlier =
                            reference_tally(random_records(rng, 3, length, false), 3, length, bits);
                        PointTally got = earlier;
                        form.tally(data.data(), count, length, bits, got);
                        expect_same(got, reference_tally(data, count, length, bits, earlier));
                    }
                }
            }
        }
    }
}

// The flag byte as the LAS text lays it out: return number in bits 0-2 and number of returns in
// bits 3-5 (formats 0 to 5); in bits 0-3 and 4-7 (formats 6 to 10).
TEST(RecordTally, ReturnNumbersAboveTheirNumberOfReturns) {
    struct Row {
        unsigned bits;
        unsigned char flags;
        uint64_t above;
    };
    const Row rows[] = {
        {3, 0x09, 0},  // return 1 of 1
        {3, 0x0A, 1},  // return 2 of 1
        {3, 0x3D, 0},  // return 5 of 7
        {3, 0x08, 0},  // return 0 of 1: counted as return number 0 instead
        {3, 0x07, 1},  // return 7 of 0
        {3, 0xC9, 0},  // the scan direction and edge bits do not count
        {4, 0x21, 0},  // return 1 of 2
        {4, 0x12, 1},  // return 2 of 1
        {4, 0xFF, 0},  // return 15 of 15
        {4, 0x0F, 1},  // return 15 of 0
        {4, 0xF0, 0},  // return 0 of 15
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.bits << " bits, flags " << int{row.flags});
        std::vector<unsigned char> data(20 * 5);
        for (std::size_t i = 0; i < 5; ++i) data[20 * i + 14] = row.flags;
        PointTally tally;
        varnoke::tally_records(data.data(), 5, 20, row.bits, tally);
        EXPECT_EQ(tally.return_above, 5 * row.above);
    }
}

TEST(RecordTally, MergedPartsEqualTheWhole) {
    std::mt19937 rng(7);
    const std::size_t length = 20;
    for (const std::size_t split : {0u, 1u, 500u, 999u, 1000u}) {
        SCOPED_TRACE(split);
        const auto data = random_records(rng, 1000, length, split == 500);
        PointTally first, second;
        varnoke::tally_records(data.data(), split, length, 4, first);
        varnoke::tally_records(data.data() + split * length, 1000 - split, length, 4, second);
        varnoke::merge(first, second);
        expect_same(first, reference_tally(data, 1000, length, 4));
    }
}

}  // namespace
}  // namespace lastest
