// When a stored box is stale: on the quantization grid, where other software's last-bit
// differences are right and a value nearer another raw extreme is not; bit for bit where no grid
// can be formed; never for a file without records.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "box_conversion.h"
#include "header_bytes.h"
#include "header_values.h"

namespace lastest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct BoxCase {
    const char *what;
    double scale, offset;
    double stored;  // as MaxX; the other sides hold the values written
    bool stale;
};

TEST(StaleRule, BoxOnTheQuantizationGrid) {
    constexpr int32_t kRaw = 12345;
    const double plain = 500000.0 + kRaw * 0.01;  // as other software computes it
    const double written = varnoke::to_world(kRaw, 0.01, 500000.0);
    const BoxCase cases[] = {
        {"the bits written", 0.01, 500000.0, written, false},
        {"plain double arithmetic", 0.01, 500000.0, plain, false},
        {"one bit above", 0.01, 500000.0, std::nextafter(written, 1e9), false},
        {"0.49 of a step above", 0.01, 500000.0, 500000.0 + (kRaw + 0.49) * 0.01, false},
        {"0.51 of a step above", 0.01, 500000.0, 500000.0 + (kRaw + 0.51) * 0.01, true},
        {"0.51 of a step below", 0.01, 500000.0, 500000.0 + (kRaw - 0.51) * 0.01, true},
        {"one step below", 0.01, 500000.0, 500000.0 + (kRaw - 1) * 0.01, true},
        {"a raw value stored unscaled", 0.001, 0.0, double{kRaw}, true},
        {"a stored NaN", 0.01, 500000.0, kNaN, true},
        {"scale 0, the bits written", 0.0, 7.5, 7.5, false},
        {"scale 0, one bit off", 0.0, 7.5, std::nextafter(7.5, 8.0), true},
        {"scale NaN, the bits written", kNaN, 1.0, varnoke::to_world(kRaw, kNaN, 1.0), false},
    };
    for (const BoxCase &c : cases) {
        SCOPED_TRACE(c.what);
        unsigned char header[varnoke::kMostHeaderBytes] = {};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            varnoke::store(header, varnoke::at::kScale + 8 * axis, c.scale);
            varnoke::store(header, varnoke::at::kOffset + 8 * axis, c.offset);
        }
        varnoke::PointLayout layout;
        varnoke::PointTally tally;
        tally.records = 1;
        for (std::size_t axis = 0; axis < 3; ++axis) tally.min[axis] = tally.max[axis] = kRaw;
        varnoke::HeaderValues counted;
        ASSERT_EQ(varnoke::counted_values(header, layout, tally, counted), VARNOKE_LAS_OK);
        varnoke::HeaderValues stored = counted;
        stored.box[0] = c.stored;
        const unsigned stale = varnoke::stale_bits(header, layout, tally, stored, counted);
        EXPECT_EQ(stale, c.stale ? VARNOKE_LAS_STALE_BOX : 0u);
        // Without records no box is wrong, whatever it holds.
        tally = varnoke::PointTally{};
        ASSERT_EQ(varnoke::counted_values(header, layout, tally, counted), VARNOKE_LAS_OK);
        stored = counted;
        stored.box[0] = c.stored;
        EXPECT_EQ(varnoke::stale_bits(header, layout, tally, stored, counted), 0u);
    }
}

}  // namespace
}  // namespace lastest
