#include "header_values.h"

#include <algorithm>
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

// The box as Quillfen judges and writes it for a file without records: from the start values.
bool start_value_box(const double (&box)[6], const unsigned char *header) {
    for (int side = 0; side < 6; ++side) {
        const double scale = scale_of(header, side / 2);
        const double start = to_world(kEmptyRaw[side], scale, offset_of(header, side / 2));
        if (!extreme_right(box[side], start, scale)) return false;
    }
    return true;
}

bool zero_box(const double (&box)[6]) {
    for (const double side : box) {
        if (side != 0) return false;
    }
    return true;
}

}  // namespace

bool extreme_right(double stored, double computed, double scale) {
    if (std::bit_cast<uint64_t>(stored) == std::bit_cast<uint64_t>(computed)) return true;
    if (!std::isfinite(stored) || !std::isfinite(computed)) return false;
    const double size = std::fabs(computed);
    const double above = std::nextafter(size, std::numeric_limits<double>::infinity());
    const double ulp = std::isfinite(above) ? above - size : size - std::nextafter(size, 0.0);
    double allowed = 4 * ulp;
    if (std::isfinite(scale)) allowed = std::max(allowed, 1e-6 * std::fabs(scale));
    return std::fabs(stored - computed) <= allowed;
}

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
    // A file without records has no extremes: the status functions write a box of zeros, as
    // LAS 1.4 asks; the update keeps its start values.
    if (tally.records == 0 && layout.scope == Scope::kAll) return VARNOKE_LAS_OK;
    for (int side = 0; side < 6; ++side) {
        out.box[side] = to_world(raw_extreme(tally, side), scale_of(header, side / 2),
                                 offset_of(header, side / 2));
    }
    return VARNOKE_LAS_OK;
}

unsigned stale_box_sides(const unsigned char *header, const PointTally &tally,
                         const HeaderValues &stored, const HeaderValues &counted) {
    if (tally.records == 0) {
        // No extremes: LAS 1.3 and 1.4 ask for a box of zeros; the update writes its start
        // values into the 1.0 to 1.2 files it handles, and those are right there too.
        const bool start_values =
            header[at::kVersionMinor] <= 2 && start_value_box(stored.box, header);
        return zero_box(stored.box) || start_values ? 0u : 0x3Fu;
    }
    unsigned sides = 0;
    for (int side = 0; side < 6; ++side) {
        if (!extreme_right(stored.box[side], counted.box[side], scale_of(header, side / 2))) {
            sides |= 1u << side;
        }
    }
    return sides;
}

unsigned stale_bits(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                    const HeaderValues &stored, const HeaderValues &counted) {
    unsigned stale = 0;
    if (stored.records != counted.records) stale |= VARNOKE_LAS_STALE_COUNT;
    for (std::size_t k = 0; k < 15; ++k) {
        if (stored.by_return[k] != counted.by_return[k]) stale |= VARNOKE_LAS_STALE_BY_RETURN;
    }
    if (stale_box_sides(header, tally, stored, counted) != 0) stale |= VARNOKE_LAS_STALE_BOX;
    if (layout.counts64) {
        // Point formats 6 to 10 must leave the legacy fields zero. For older formats writers
        // differ: zero and the true values (where they fit) are both right.
        bool zero = stored.legacy_records == 0;
        bool exact = stored.legacy_records == counted.records && counted.records <= kMost32 &&
                     layout.point_format <= 5;
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
