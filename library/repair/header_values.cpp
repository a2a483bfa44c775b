#include "header_values.h"

#include <bit>
#include <cmath>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "box_conversion.h"
#include "header_bytes.h"

namespace varnoke {

namespace {

constexpr uint64_t kMost32 = std::numeric_limits<uint32_t>::max();

// Raw extremes stored when the file holds no point record, in the order of the box.
constexpr int32_t kEmptyRaw[6] = {-2147483646, 2147483646, -2147483646,
                                  2147483646,  -10000000,  10000000};

// The raw extreme behind each side of the box: MaxX, MinX, MaxY, MinY, MaxZ, MinZ.
int32_t raw_extreme(const PointTally &tally, int side) {
    if (tally.records == 0) return kEmptyRaw[side];
    const int axis = side / 2;
    return side % 2 == 0 ? tally.max[axis] : tally.min[axis];
}

double scale_of(const unsigned char *header, int axis) {
    return load<double>(header, at::kScale + 8 * static_cast<std::size_t>(axis));
}
double offset_of(const unsigned char *header, int axis) {
    return load<double>(header, at::kOffset + 8 * static_cast<std::size_t>(axis));
}

// Whether a stored side of the box describes the raw extreme `raw`: it converts back to it on
// the quantization grid. Where no grid can be formed, only the very bits written count.
bool on_grid(double stored, int32_t raw, double scale, double offset, double computed) {
    if (scale == 0 || !std::isfinite(scale) || !std::isfinite(offset) || !std::isfinite(stored)) {
        return std::bit_cast<uint64_t>(stored) == std::bit_cast<uint64_t>(computed);
    }
    return std::nearbyint((stored - offset) / scale) == static_cast<double>(raw);
}

}  // namespace

HeaderValues stored_values(const unsigned char *header, const PointLayout &layout) {
    HeaderValues v;
    if (layout.counts64) {
        v.records = load<uint64_t>(header, at::kCount);
        for (std::size_t k = 0; k < 15; ++k)
            v.by_return[k] = load<uint64_t>(header, at::kByReturn + 8 * k);
        v.legacy_records = load<uint32_t>(header, at::kLegacyCount);
        for (std::size_t k = 0; k < 5; ++k) {
            v.legacy_by_return[k] = load<uint32_t>(header, at::kLegacyByReturn + 4 * k);
        }
    } else {
        v.records = load<uint32_t>(header, at::kLegacyCount);
        for (std::size_t k = 0; k < 5; ++k) {
            v.by_return[k] = load<uint32_t>(header, at::kLegacyByReturn + 4 * k);
        }
    }
    for (std::size_t side = 0; side < 6; ++side)
        v.box[side] = load<double>(header, at::kBox + 8 * side);
    return v;
}

int counted_values(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                   HeaderValues &out) {
    out = HeaderValues{};
    if (!layout.counts64 && tally.records > kMost32) return VARNOKE_LAS_ERR_TOO_MANY;
    out.records = tally.records;
    // Return numbers above 5 have no field before LAS 1.4 (and above 7 no record).
    const std::size_t numbers = layout.counts64 ? 15 : 5;
    for (std::size_t k = 0; k < numbers; ++k) out.by_return[k] = tally.by_return[k + 1];
    // LAS 1.4 keeps the legacy fields only for point formats older readers know, and counts
    // that fit them; they are zero otherwise.
    if (layout.counts64 && layout.point_format <= 5 && tally.records <= kMost32) {
        out.legacy_records = tally.records;
        for (std::size_t k = 0; k < 5; ++k) out.legacy_by_return[k] = tally.by_return[k + 1];
    }
    for (int side = 0; side < 6; ++side) {
        out.box[side] = to_world(raw_extreme(tally, side), scale_of(header, side / 2),
                                 offset_of(header, side / 2));
    }
    return VARNOKE_LAS_OK;
}

unsigned stale_bits(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                    const HeaderValues &stored, const HeaderValues &counted) {
    unsigned stale = 0;
    if (stored.records != counted.records) stale |= VARNOKE_LAS_STALE_COUNT;
    for (std::size_t k = 0; k < 15; ++k) {
        if (stored.by_return[k] != counted.by_return[k]) stale |= VARNOKE_LAS_STALE_BY_RETURN;
    }
    // A file without records has no extremes: whatever its box holds is not wrong.
    for (int side = 0; side < 6 && tally.records > 0; ++side) {
        const int axis = side / 2;
        if (!on_grid(stored.box[side], raw_extreme(tally, side), scale_of(header, axis),
                     offset_of(header, axis), counted.box[side])) {
            stale |= VARNOKE_LAS_STALE_BOX;
        }
    }
    if (layout.counts64) {
        // Writers differ: zero and the true values (where they fit) are both right.
        bool zero = stored.legacy_records == 0;
        bool exact = stored.legacy_records == counted.records && counted.records <= kMost32;
        for (std::size_t k = 0; k < 5; ++k) {
            zero = zero && stored.legacy_by_return[k] == 0;
            exact = exact && stored.legacy_by_return[k] == counted.by_return[k];
        }
        if (!zero && !exact) stale |= VARNOKE_LAS_STALE_LEGACY;
    }
    return stale;
}

void store_values(unsigned char *header, const PointLayout &layout, const HeaderValues &values) {
    if (layout.counts64) {
        store<uint64_t>(header, at::kCount, values.records);
        for (std::size_t k = 0; k < 15; ++k)
            store<uint64_t>(header, at::kByReturn + 8 * k, values.by_return[k]);
        store(header, at::kLegacyCount, static_cast<uint32_t>(values.legacy_records));
        for (std::size_t k = 0; k < 5; ++k) {
            store(header, at::kLegacyByReturn + 4 * k,
                  static_cast<uint32_t>(values.legacy_by_return[k]));
        }
    } else {
        store(header, at::kLegacyCount, static_cast<uint32_t>(values.records));
        for (std::size_t k = 0; k < 5; ++k) {
            store(header, at::kLegacyByReturn + 4 * k, static_cast<uint32_t>(values.by_return[k]));
        }
    }
    for (std::size_t side = 0; side < 6; ++side)
        store(header, at::kBox + 8 * side, values.box[side]);
}

}  // namespace varnoke
