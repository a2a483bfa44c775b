// When a stored box is stale: the bits written, or within last-bit noise of other writers (the
// larger of 10^-6 of the scale factor and 4 units in the last place); half a step is stale. A
// file without records: a box of zeros, or in LAS 1.0 to 1.2 of the update's start values.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "box_conversion.h"
#include "header_bytes.h"
#include "header_values.h"

namespace lastest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// `value` moved by `ulps` units in its last place (away from zero for a positive count).
double ulps_off(double value, int ulps) {
    for (int k = 0; k < std::abs(ulps); ++k)
        value = std::nextafter(value, ulps > 0 ? HUGE_VAL : -HUGE_VAL);
    return value;
}

struct Judged {
    unsigned char header[varnoke::kMostHeaderBytes] = {};
    varnoke::PointLayout layout;
    varnoke::PointTally tally;
    varnoke::HeaderValues counted;
};

// A header of `scale` and `offset` on every axis and records whose raw extremes are all `raw`
// (none where `records` is false).
void judge(Judged &j, double scale, double offset, bool records, int32_t raw = 12345) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
        varnoke::store(j.header, varnoke::at::kScale + 8 * axis, scale);
        varnoke::store(j.header, varnoke::at::kOffset + 8 * axis, offset);
    }
    j.tally = varnoke::PointTally{};
    if (records) {
        j.tally.records = 1;
        j.tally.by_return[1] = 1;
        for (std::size_t axis = 0; axis < 3; ++axis) j.tally.min[axis] = j.tally.max[axis] = raw;
    }
    ASSERT_EQ(varnoke::counted_values(j.header, j.layout, j.tally, j.counted), VARNOKE_LAS_OK);
}

unsigned box_bits(const Judged &j, const double (&box)[6]) {
    varnoke::HeaderValues stored = j.counted;
    for (int side = 0; side < 6; ++side) stored.box[side] = box[side];
    return varnoke::stale_bits(j.header, j.layout, j.tally, stored, j.counted) &
           VARNOKE_LAS_STALE_BOX;
}

TEST(StaleRule, BoxWithinLastBitNoise) {
    const double written = varnoke::to_world(12345, 0.01, 500000.0);  // 500123.45
    const double big = varnoke::to_world(12345, 0.001, 1e17);          // units in the last place: 16
    const struct {
        const char *what;
        double scale, offset, stored;
        bool stale;
    } cases[] = {
        {"the bits written", 0.01, 500000.0, written, false},
        {"plain double arithmetic", 0.01, 500000.0, 500000.0 + 12345 * 0.01, false},
        {"10^-6 of a step above", 0.01, 500000.0, written + 0.99e-8, false},
        {"just over 10^-6 of a step above", 0.01, 500000.0, written + 1.01e-8, true},
        {"just over 10^-6 of a step below", 0.01, 500000.0, written - 1.01e-8, true},
        {"0.49 of a step above", 0.01, 500000.0, 500000.0 + 12345.49 * 0.01, true},
        {"half a step below", 0.01, 500000.0, 500000.0 + 12344.5 * 0.01, true},
        {"a raw value stored unscaled", 0.001, 0.0, 12345.0, true},
        {"offset 1e17: the bits written", 0.001, 1e17, big, false},
        {"offset 1e17: 4 units in the last place", 0.001, 1e17, ulps_off(big, 4), false},
        {"offset 1e17: 5 units in the last place", 0.001, 1e17, ulps_off(big, -5), true},
        {"scale 0: 4 units in the last place", 0.0, 7.5, ulps_off(7.5, 4), false},
        {"scale 0: 5 units in the last place", 0.0, 7.5, ulps_off(7.5, 5), true},
        {"a stored NaN", 0.01, 500000.0, kNaN, true},
        {"scale NaN, the bits written", kNaN, 1.0, varnoke::to_world(12345, kNaN, 1.0), false},
        {"scale NaN, a number stored", kNaN, 1.0, 1.0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Judged j;
        judge(j, c.scale, c.offset, true);
        double box[6];
        for (int side = 0; side < 6; ++side) box[side] = j.counted.box[side];
        for (int side = 0; side < 6; ++side) {
            double one[6];
            for (int k = 0; k < 6; ++k) one[k] = box[k];
            one[side] = c.stored;
            EXPECT_EQ(box_bits(j, one), c.stale ? VARNOKE_LAS_STALE_BOX : 0u) << "side " << side;
        }
    }
}

TEST(StaleRule, BoxWithoutRecords) {
    Judged j;
    judge(j, 0.01, 100.0, false);
    for (const double side : j.counted.box) EXPECT_EQ(std::bit_cast<uint64_t>(side), 0u);
    // The update's start values: raw -2147483646 for the maxima of X and Y, 2147483646 for their
    // minima, -10^7 and 10^7 for Z.
    const double start[6] = {100.0 - 21474836.46, 100.0 + 21474836.46, 100.0 - 21474836.46,
                             100.0 + 21474836.46, 100.0 - 100000.0,    100.0 + 100000.0};
    const struct {
        const char *what;
        double box[6];
        bool stale;
        uint8_t minor = 2;  // LAS 1.minor
    } cases[] = {
        {"zeros", {0, 0, 0, 0, 0, 0}, false},
        {"negative zeros", {-0.0, -0.0, -0.0, -0.0, -0.0, -0.0}, false},
        {"the start values", {start[0], start[1], start[2], start[3], start[4], start[5]}, false},
        {"the start values in LAS 1.0",
         {start[0], start[1], start[2], start[3], start[4], start[5]}, false, 0},
        {"the start values but one side", {start[0], start[1], start[2], start[3], 0.0, start[5]},
         true},
        {"zeros but one side", {0, 0, 0, 0, 0, 1e-300}, true},
        {"a box of no records", {10, 5, 10, 5, 10, 5}, true},
        // "If there are no point records in the file, these values must be set to zero."
        {"zeros in LAS 1.3", {0, 0, 0, 0, 0, 0}, false, 3},
        {"the start values in LAS 1.3",
         {start[0], start[1], start[2], start[3], start[4], start[5]}, true, 3},
        {"the start values in LAS 1.4",
         {start[0], start[1], start[2], start[3], start[4], start[5]}, true, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        j.header[varnoke::at::kVersionMinor] = c.minor;
        EXPECT_EQ(box_bits(j, c.box), c.stale ? VARNOKE_LAS_STALE_BOX : 0u);
    }
}

// LAS 1.4's legacy fields: zero for point formats 6 to 10; zero or the true values before.
TEST(StaleRule, LegacyCountsOfLas14) {
    const struct {
        uint8_t format;
        uint64_t count;
        uint64_t first_return;
        bool stale;
    } cases[] = {
        {1, 0, 0, false}, {1, 7, 7, false}, {1, 8, 7, true}, {1, 7, 0, true}, {1, 0, 7, true},
        {5, 7, 7, false}, {6, 0, 0, false}, {6, 7, 7, true}, {6, 0, 1, true}, {10, 1, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << int{c.format} << ", legacy count "
                                        << c.count << ", first return " << c.first_return);
        Judged j;
        j.layout.counts64 = true;
        j.layout.point_format = c.format;
        judge(j, 0.01, 0.0, true);
        j.tally.records = 7;
        j.tally.by_return[1] = 7;
        ASSERT_EQ(varnoke::counted_values(j.header, j.layout, j.tally, j.counted), VARNOKE_LAS_OK);
        varnoke::HeaderValues stored = j.counted;
        stored.legacy_records = c.count;
        stored.legacy_by_return[0] = c.first_return;
        EXPECT_EQ(varnoke::stale_bits(j.header, j.layout, j.tally, stored, j.counted),
                  c.stale ? VARNOKE_LAS_STALE_LEGACY : 0u);
    }
}

}  // namespace
}  // namespace lastest
