// What the update writes: counts, return counts and box, and the bytes it must keep.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "point_scan.h"
#include "support/las_file.h"
#include "support/update_run.h"

namespace lastest {
namespace {

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Runs the tool on `file` and returns the file afterwards; the update must succeed, with the
// true counts and box and nothing else written.
Bytes updated_file(const Bytes &file) {
    UpdateRun run = run_on_copy(file, "u.las");
    expect_repaired(run);
    return std::move(run.after);
}

LasSpec scaled(double scale, std::array<double, 3> offset, std::vector<Point> points) {
    LasSpec spec;
    spec.scale = {scale, scale, scale};
    spec.offset = offset;
    spec.points = std::move(points);
    return spec;
}

struct UpdateCase {
    const char *what;
    LasSpec spec;
    HeaderCounts expected;
};

std::vector<UpdateCase> update_cases() {
    LasSpec header_size_300 = scaled(0.5, {0, 0, 0}, {{2, 4, 6, 1}, {-2, -4, -6, 2}});
    header_size_300.header_size = 300;
    LasSpec fragment = scaled(1, {0, 0, 0}, {{1, 2, 3, 1}, {4, 5, 6, 1}, {7, 8, 9, 3}});
    fragment.trailing_bytes = 19;
    LasSpec empty_half = scaled(0.5, {10, 20, 30}, {});
    return {
        {"one record, scale 0.01",
         scaled(0.01, {1000, 2000, 0}, {{100, 200, 300, 1}}),
         {1, {1, 0, 0, 0, 0}, {1001, 1001, 2002, 2002, 3, 3}}},
        {"return numbers 1, 1, 2, 5, 6 and 0",
         scaled(
             1, {0, 0, 0},
             {{1, 1, 1, 1}, {2, 2, 2, 1}, {3, 3, 3, 2}, {4, 4, 4, 5}, {5, 5, 5, 6}, {6, 6, 6, 0}}),
         {6, {2, 1, 0, 0, 1}, {6, 1, 6, 1, 6, 1}}},
        {"only the low three bits are the return number",
         scaled(1, {0, 0, 0}, {{0, 0, 0, 0xFF}, {0, 0, 0, 0x08}, {0, 0, 0, 0x0B}, {0, 0, 0, 0xF4}}),
         {4, {0, 0, 1, 1, 0}, {0, 0, 0, 0, 0, 0}}},
        {"no records: the start values, maxima below minima",
         scaled(1, {0, 0, 0}, {}),
         {0,
          {0, 0, 0, 0, 0},
          {-2147483646.0, 2147483646.0, -2147483646.0, 2147483646.0, -10000000.0, 10000000.0}}},
        {"no records, scale 0.5 and offsets",
         empty_half,
         {0,
          {0, 0, 0, 0, 0},
          {-1073741813.0, 1073741833.0, -1073741803.0, 1073741843.0, -4999970.0, 5000030.0}}},
        {"raw Z all above ten million",
         scaled(1, {0, 0, 0}, {{0, 0, 20000000, 1}, {0, 0, 30000000, 1}}),
         {2, {2, 0, 0, 0, 0}, {0, 0, 0, 0, 30000000, 20000000}}},
        {"raw Z all below minus ten million",
         scaled(1, {0, 0, 0}, {{0, 0, -20000000, 1}, {0, 0, -30000000, 1}}),
         {2, {2, 0, 0, 0, 0}, {0, 0, 0, 0, -20000000, -30000000}}},
        {"raw X and Y at the 32-bit limits",
         scaled(1, {0, 0, 0}, {{kInt32Min, kInt32Max, 0, 1}, {kInt32Max, kInt32Min, 0, 1}}),
         {2, {2, 0, 0, 0, 0}, {2147483647.0, -2147483648.0, 2147483647.0, -2147483648.0, 0, 0}}},
        {"a single record at the limits sets both extremes",
         scaled(1, {0, 0, 0}, {{kInt32Min, kInt32Min, kInt32Max, 2}}),
         {1,
          {0, 1, 0, 0, 0},
          {-2147483648.0, -2147483648.0, -2147483648.0, -2147483648.0, 2147483647.0,
           2147483647.0}}},
        {"a trailing fragment is not a record", fragment, {3, {2, 0, 1, 0, 0}, {7, 1, 8, 2, 9, 3}}},
        {"header size 300 keeps its extra bytes",
         header_size_300,
         {2, {1, 1, 0, 0, 0}, {1, -1, 2, -2, 3, -3}}},
    };
}

TEST(Update, WritesTheTrueCountsAndBoxAndNothingElse) {
    for (const UpdateCase &c : update_cases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(counts_of(updated_file(make_las(c.spec))), c.expected);
    }
}

// The box is raw x scale + offset with a 64-bit significand, rounded to double once. Each value
// here differs from plain double arithmetic in its last bits.
TEST(Update, BoxUsesExtendedPrecision) {
    struct Axis {
        int32_t raw;
        double scale, offset, extended, plain;
    };
    const Axis axes[3] = {
        {-1997707406, 0.01, 4000000.0, -0x1.e794e41eb851fp+23, -0x1.e794e41eb851ep+23},
        {1193554998, 1e-7, -127.390661926409, -0x1.01200c52df80dp+3, -0x1.01200c52df810p+3},
        {-1620794884, 0.00025, 500000.0, 0x1.7251476c8b439p+16, 0x1.7251476c8b438p+16},
    };
    LasSpec spec;
    spec.points = {{axes[0].raw, axes[1].raw, axes[2].raw, 1}};
    for (std::size_t k = 0; k < 3; ++k) {
        spec.scale[k] = axes[k].scale;
        spec.offset[k] = axes[k].offset;
        volatile double product = static_cast<double>(axes[k].raw) * axes[k].scale;
        ASSERT_EQ(product + axes[k].offset, axes[k].plain) << "axis " << k;
    }
    const HeaderCounts c = counts_of(updated_file(make_las(spec)));
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(std::bit_cast<uint64_t>(c.box[2 * k]), std::bit_cast<uint64_t>(axes[k].extended));
        EXPECT_EQ(std::bit_cast<uint64_t>(c.box[2 * k + 1]),
                  std::bit_cast<uint64_t>(axes[k].extended));
    }
}

// Every accepted version and point format, with enough records for several blocks on each of the
// two reading threads and the extremes placed at the first record, the last record and around
// the block boundaries.
TEST(Update, EveryLasTypeOverSeveralBlocks) {
    struct Type {
        uint8_t minor, format;
    };
    const Type types[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {2, 3}};
    for (const Type &t : types) {
        SCOPED_TRACE(testing::Message() << "1." << int{t.minor} << " format " << int{t.format});
        LasSpec spec = scaled(0.001, {500000, 4000000, -50}, {});
        spec.minor = t.minor;
        spec.format = t.format;
        spec.header_size = 227;
        spec.offset_to_data = 333;
        const std::size_t length = record_length_for(t.format);
        const std::size_t per_block = varnoke::kScanBlockBytes / length;
        const std::size_t n = 5 * per_block + 777;
        for (std::size_t i = 0; i < n; ++i) {
            const auto v = static_cast<int32_t>((i * 2654435761u) % 1000003);
            spec.points.push_back({v, -v, v / 3, static_cast<uint8_t>(i % 8)});
        }
        spec.points.front().x = 2000000;
        spec.points.back().y = -3000000;
        spec.points[per_block - 1].z = 9000000;
        spec.points[per_block].z = -9000000;
        spec.points[2 * per_block].x = -2500000;
        spec.points[3 * per_block + 5].y = 3500000;
        spec.points[4 * per_block - 1].bitfield = 5;
        spec.trailing_bytes = length - 1;
        EXPECT_EQ(counts_of(updated_file(make_las(spec))).points, n);
    }
}

}  // namespace
}  // namespace lastest
