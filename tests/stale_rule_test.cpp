// When a stored value misleads a reader (stale), when it only departs from what the LAS text asks
// (a warning), and when it is right: each side of the box against the quantization step, a box
// without records, LAS 1.4's legacy counts; and strictness, which makes the warnings stale.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "box_conversion.h"
#include "header_bytes.h"
#include "header_update.h"
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
    ASSERT_EQ(
        varnoke::counted_values(j.header, j.layout, j.tally, varnoke::ValueRules{}, j.counted),
        VARNOKE_LAS_OK);
}

using varnoke::Verdict;

const char *name(Verdict v) {
    return v == Verdict::right ? "right" : v == Verdict::warning ? "warning" : "stale";
}

// One side against the points: a point outside by a quarter step (0.25 x |scale|) or a side
// loose by half a step is stale; less, but more than last-bit noise (the larger of 10^-6 of a
// step and 4 units in the last place), a warning. Computed values are raw x scale + offset.
TEST(StaleRule, BoxSideAgainstTheStep) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double big =
        100000000000000016.0;  // raw 12345 x 0.001 + 1e17: units in the last place 16
    const struct {
        const char *what;
        double scale, computed, stored;
        bool max_side;
        Verdict verdict;
    } cases[] = {
        // Scale 0.25, raw 400: MaxX 100.
        {"the bits written", 0.25, 100.0, 100.0, true, Verdict::right},
        {"10^-6 of a step above, within noise", 0.25, 100.0, 100.0000002, true, Verdict::right},
        {"just past the noise", 0.25, 100.0, 100.0000003, true, Verdict::warning},
        {"a point a quarter step outside", 0.25, 100.0, 99.9375, true, Verdict::stale},
        {"a point just under a quarter step outside", 0.25, 100.0, std::nextafter(99.9375, 100.0),
         true, Verdict::warning},
        {"half a step loose", 0.25, 100.0, 100.125, true, Verdict::stale},
        {"just under half a step loose", 0.25, 100.0, std::nextafter(100.125, 0.0), true,
         Verdict::warning},
        // Raw 4: MinX 1, mirrored.
        {"min: a point a quarter step outside", 0.25, 1.0, 1.0625, false, Verdict::stale},
        {"min: just under", 0.25, 1.0, std::nextafter(1.0625, 0.0), false, Verdict::warning},
        {"min: half a step loose", 0.25, 1.0, 0.875, false, Verdict::stale},
        {"min: just under half a step loose", 0.25, 1.0, std::nextafter(0.875, 1.0), false,
         Verdict::warning},
        // A negative scale: the raw maximum 400 gives the least coordinate, -100.
        {"negative scale: a point a quarter step below", -0.25, -100.0, -99.9375, true,
         Verdict::stale},
        {"negative scale: just under", -0.25, -100.0, std::nextafter(-99.9375, -100.0), true,
         Verdict::warning},
        {"negative scale: half a step loose", -0.25, -100.0, -100.125, true, Verdict::stale},
        // Scale 0.01, raw 12345, offset 500000: 500123.45.
        {"plain double arithmetic", 0.01, 500123.45, 500000.0 + 12345 * 0.01, true, Verdict::right},
        {"0.2 of a step inside", 0.01, 500123.45, 500123.448, true, Verdict::warning},
        {"0.3 of a step inside", 0.01, 500123.45, 500123.447, true, Verdict::stale},
        {"0.4 of a step loose", 0.01, 500123.45, 500123.454, true, Verdict::warning},
        {"0.6 of a step loose", 0.01, 500123.45, 500123.456, true, Verdict::stale},
        {"min: 0.3 of a step inside", 0.01, 500123.45, 500123.453, false, Verdict::stale},
        {"min: 0.4 of a step loose", 0.01, 500123.45, 500123.446, false, Verdict::warning},
        // Differences that round onto a quarter step: the exact one decides.
        {"min: a quarter step, rounded up to it", 0.01, 0.0001, 0.0026, false, Verdict::warning},
        {"min: a quarter step, rounded down to it", 0.01, 0.0007, 0.0032, false, Verdict::stale},
        // Raw 1234 at 0.01, stored through single precision: 1.5e-5 of a step.
        {"through a float", 0.01, 12.34, 12.340000152587890625, true, Verdict::warning},
        {"a raw value stored unscaled", 0.001, 12.345, 12345.0, true, Verdict::stale},
        // Where a double cannot hold the step, the noise allowance decides alone.
        {"offset 1e17: 4 units in the last place", 0.001, big, ulps_off(big, 4), true,
         Verdict::right},
        {"offset 1e17: 5 units in the last place", 0.001, big, ulps_off(big, -5), true,
         Verdict::stale},
        // No step to measure by: right within noise, stale otherwise, never a warning.
        {"scale 0: 4 units in the last place", 0.0, 7.5, ulps_off(7.5, 4), true, Verdict::right},
        {"scale 0: 5 units in the last place", 0.0, 7.5, ulps_off(7.5, 5), true, Verdict::stale},
        {"scale infinite, a number stored", kInf, kInf, 1.0, true, Verdict::stale},
        {"scale NaN, the bits written", kNaN, kNaN, kNaN, true, Verdict::right},
        {"scale NaN, a number stored", kNaN, kNaN, 1.0, true, Verdict::stale},
        {"a stored NaN", 0.01, 500123.45, kNaN, true, Verdict::stale},
        {"a stored infinity", 0.01, 500123.45, kInf, true, Verdict::stale},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_STREQ(name(varnoke::box_side_verdict(c.stored, c.computed, c.scale, c.max_side)),
                     name(c.verdict));
    }
}

TEST(StaleRule, BoxWithoutRecords) {
    unsigned char header[varnoke::kMostHeaderBytes] = {};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        varnoke::store(header, varnoke::at::kScale + 8 * axis, 0.01);
        varnoke::store(header, varnoke::at::kOffset + 8 * axis, 100.0);
    }
    // The update's start values: raw -2147483646 for the maxima of X and Y, 2147483646 for their
    // minima, -10^7 and 10^7 for Z.
    const double start[6] = {100.0 - 21474836.46, 100.0 + 21474836.46, 100.0 - 21474836.46,
                             100.0 + 21474836.46, 100.0 - 100000.0,    100.0 + 100000.0};
    const struct {
        const char *what;
        double box[6];
        Verdict verdict;
        uint8_t minor = 2;  // LAS 1.minor
    } cases[] = {
        {"zeros", {0, 0, 0, 0, 0, 0}, Verdict::right},
        {"negative zeros", {-0.0, -0.0, -0.0, -0.0, -0.0, -0.0}, Verdict::right},
        {"the start values",
         {start[0], start[1], start[2], start[3], start[4], start[5]},
         Verdict::right},
        {"the start values in LAS 1.0",
         {start[0], start[1], start[2], start[3], start[4], start[5]},
         Verdict::right,
         0},
        {"the start values but one side",
         {start[0], start[1], start[2], start[3], 0.0, start[5]},
         Verdict::warning},
        {"zeros but one side", {0, 0, 0, 0, 0, 1e-300}, Verdict::warning},
        {"a box of no records", {10, 5, 10, 5, 10, 5}, Verdict::warning},
        {"NaNs", {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN}, Verdict::warning},
        // R16: "If there are no point records in the file, these values must be set to zero."
        {"zeros in LAS 1.3", {0, 0, 0, 0, 0, 0}, Verdict::right, 3},
        {"the start values in LAS 1.3",
         {start[0], start[1], start[2], start[3], start[4], start[5]},
         Verdict::warning,
         3},
        {"the start values in LAS 1.4",
         {start[0], start[1], start[2], start[3], start[4], start[5]},
         Verdict::warning,
         4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        header[varnoke::at::kVersionMinor] = c.minor;
        EXPECT_STREQ(name(varnoke::empty_box_verdict(header, c.box)), name(c.verdict));
    }
}

// LAS 1.4's legacy fields: "the total number of point records within the file if the file is
// maintaining legacy compatibility, the number of points is no greater than UINT32_MAX, and the
// Point Data Record Format is less than 6. Otherwise, it must be set to zero." A 1.4 reader is
// told to prefer a non-zero legacy value: one that differs is stale, one that agrees a warning.
TEST(StaleRule, LegacyCountsOfLas14) {
    const struct {
        uint8_t format;
        uint64_t records;  // the true count; 5 of them of return 1
        uint64_t count;
        uint64_t first_return;
        Verdict verdict;
    } cases[] = {
        {1, 7, 0, 0, Verdict::right},
        {1, 7, 7, 5, Verdict::right},
        {1, 7, 8, 5, Verdict::stale},
        {1, 7, 7, 0, Verdict::stale},
        {1, 7, 0, 5, Verdict::stale},
        {5, 7, 7, 5, Verdict::right},
        {5, 4294967295, 4294967295, 5, Verdict::right},
        {5, 4294967295, 0, 0, Verdict::right},
        {5, 4294967296, 0, 0, Verdict::right},
        {5, 4294967296, 0, 5, Verdict::warning},
        {5, 4294967296, 4294967295, 5, Verdict::stale},
        {6, 7, 0, 0, Verdict::right},
        {6, 7, 7, 5, Verdict::warning},
        {6, 7, 7, 0, Verdict::warning},
        {6, 7, 0, 5, Verdict::warning},
        {6, 7, 8, 5, Verdict::stale},
        {6, 7, 0, 1, Verdict::stale},
        {10, 7, 1, 0, Verdict::stale},
        {10, 7, 7, 5, Verdict::warning},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "format " << int{c.format} << ", " << c.records << " records, legacy count "
                     << c.count << ", first return " << c.first_return);
        varnoke::PointLayout layout;
        layout.counts64 = true;
        layout.point_format = c.format;
        varnoke::HeaderValues counted, stored;
        counted.records = stored.records = c.records;
        counted.by_return[0] = stored.by_return[0] = 5;
        stored.legacy_records = c.count;
        stored.legacy_by_return[0] = c.first_return;
        EXPECT_STREQ(name(varnoke::legacy_verdict(layout, stored, counted)), name(c.verdict));
    }
}

// The verdicts gathered: a warning reported with its sides, or under strictness (and in the
// update's own rules) stale with the same sides and not reported.
TEST(StaleRule, StrictnessTurnsTheWarningsStale) {
    constexpr unsigned kBox = VARNOKE_LAS_STALE_BOX, kLegacy = VARNOKE_LAS_STALE_LEGACY;
    constexpr uint64_t kOff = VARNOKE_LAS_WARN_BOX_IMPRECISE;
    const struct {
        const char *what;
        bool records = true, strict = false, update = false;
        double max_x = 100.0, min_y = 1.0;  // MinY is raw 4 at 0.25
        uint64_t legacy = 0;                // point format 6, 7 records of return 1
        unsigned stale, stale_sides;
        uint64_t warnings;
        unsigned warning_sides;
    } cases[] = {
        {"right", true, false, false, 100.0, 1.0, 0, 0, 0, 0, 0},
        {"MaxX a tenth of a step loose", true, false, false, 100.025, 1.0, 0, 0, 0, kOff, 1},
        {"the same, strict", true, true, false, 100.025, 1.0, 0, kBox, 1, 0, 0},
        {"the same, by the update's rules", true, false, true, 100.025, 1.0, 0, kBox, 1, 0, 0},
        {"MaxX off, MinY stale", true, false, false, 100.025, 1.25, 0, kBox, 8, kOff, 1},
        {"the same, strict", true, true, false, 100.025, 1.25, 0, kBox, 9, 0, 0},
        {"legacy counts equal", true, false, false, 100.0, 1.0, 7, 0, 0,
         VARNOKE_LAS_WARN_LEGACY_SET, 0},
        {"the same, strict", true, true, false, 100.0, 1.0, 7, kLegacy, 0, 0, 0},
        {"no records, MaxX not zero", false, false, false, 5.0, 0.0, 0, 0, 0,
         VARNOKE_LAS_WARN_EMPTY_BOX, 1},
        {"the same, strict", false, true, false, 5.0, 0.0, 0, kBox, 1, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Judged j;
        j.layout.counts64 = true;
        j.layout.point_format = 6;
        j.header[varnoke::at::kVersionMinor] = 4;
        judge(j, 0.25, 0.0, c.records, 400);
        varnoke::ValueRules rules;
        rules.strict = c.strict;
        if (c.update) rules = varnoke::update_policy(8).values;
        if (c.records) {
            j.tally.records = 7;
            j.tally.by_return[1] = 7;
            j.tally.min[1] = 4;
            ASSERT_EQ(varnoke::counted_values(j.header, j.layout, j.tally, rules, j.counted),
                      VARNOKE_LAS_OK);
        }
        varnoke::HeaderValues stored = j.counted;
        stored.box[0] = c.max_x;
        stored.box[3] = c.min_y;
        stored.legacy_records = c.legacy;
        const varnoke::ValueVerdicts v =
            varnoke::judge_values(j.header, j.layout, j.tally, stored, j.counted, rules);
        EXPECT_EQ(v.stale, c.stale);
        EXPECT_EQ(v.stale_sides, c.stale_sides);
        EXPECT_EQ(v.warnings, c.warnings);
        EXPECT_EQ(v.warning_sides, c.warning_sides);
    }
}

}  // namespace
}  // namespace lastest
