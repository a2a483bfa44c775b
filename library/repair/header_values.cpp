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
                   const ValueRules &rules, HeaderValues &out) {
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
    if (tally.records == 0 && rules.zero_box_without_records) return VARNOKE_LAS_OK;
    for (int side = 0; side < 6; ++side) {
        out.box[side] = to_world(raw_extreme(tally, side), scale_of(header, side / 2),
                                 offset_of(header, side / 2));
    }
    return VARNOKE_LAS_OK;
}

namespace {

// Whether a - b >= limit exactly, for finite a and b and a limit that is a double: the rounded
// difference decides unless it equals the limit, where its rounding error (two-sum) does.
bool at_least_apart(double a, double b, double limit) {
    const double d = a - b;
    if (d != limit) return d > limit;
    const double a_part = d + b;
    const double b_part = d - a_part;
    const double error = (a - a_part) + (-b - b_part);
    return error >= 0;
}

}  // namespace

Verdict box_side_verdict(double stored, double computed, double scale, bool max_side) {
    if (extreme_right(stored, computed, scale)) return Verdict::right;
    const double step = std::fabs(scale);
    if (!std::isfinite(stored) || !std::isfinite(computed) || !std::isfinite(step) || step == 0) {
        return Verdict::stale;
    }
    // The points lie up to `computed` on an upper side, down to it on a lower one.
    const bool upper = max_side == (scale > 0);
    const double inside = upper ? stored : computed, outside = upper ? computed : stored;
    // A point outside the stored side by a quarter step, or the side loose by half a step.
    if (at_least_apart(outside, inside, 0.25 * step)) return Verdict::stale;
    if (at_least_apart(inside, outside, 0.5 * step)) return Verdict::stale;
    return Verdict::warning;
}

Verdict legacy_verdict(const PointLayout &layout, const HeaderValues &stored,
                       const HeaderValues &counted) {
    bool zero = stored.legacy_records == 0;
    bool equal = stored.legacy_records == counted.records;
    bool nonzero_equal = zero || equal;
    for (std::size_t k = 0; k < 5; ++k) {
        const uint64_t value = stored.legacy_by_return[k];
        zero = zero && value == 0;
        equal = equal && value == counted.by_return[k];
        nonzero_equal = nonzero_equal && (value == 0 || value == counted.by_return[k]);
    }
    if (zero) return Verdict::right;
    // Older formats whose count fits: writers keep the fields or leave them zero.
    if (layout.point_format <= 5 && counted.records <= kMost32) {
        return equal ? Verdict::right : Verdict::stale;
    }
    return nonzero_equal ? Verdict::warning : Verdict::stale;
}

Verdict empty_box_verdict(const unsigned char *header, const double (&box)[6]) {
    // LAS 1.3 and 1.4 ask for zeros; the update writes its start values into the 1.0 to 1.2
    // files it handles, and those are right there too.
    const bool start_values = header[at::kVersionMinor] <= 2 && start_value_box(box, header);
    return zero_box(box) || start_values ? Verdict::right : Verdict::warning;
}

ValueVerdicts judge_values(const unsigned char *header, const PointLayout &layout,
                           const PointTally &tally, const HeaderValues &stored,
                           const HeaderValues &counted, const ValueRules &rules) {
    ValueVerdicts v;
    if (stored.records != counted.records) v.stale |= VARNOKE_LAS_STALE_COUNT;
    for (std::size_t k = 0; k < 15; ++k) {
        if (stored.by_return[k] != counted.by_return[k]) v.stale |= VARNOKE_LAS_STALE_BY_RETURN;
    }
    // Sides stale, and sides off by less than stale.
    unsigned stale_sides = 0, off_sides = 0;
    uint64_t box_warning = VARNOKE_LAS_WARN_BOX_IMPRECISE;
    if (tally.records == 0) {
        box_warning = VARNOKE_LAS_WARN_EMPTY_BOX;
        if (empty_box_verdict(header, stored.box) != Verdict::right) {
            // A repair writes zeros: the sides that hold anything else.
            for (int side = 0; side < 6; ++side) {
                if (stored.box[side] != 0) off_sides |= 1u << side;
            }
        }
    } else {
        for (int side = 0; side < 6; ++side) {
            const Verdict verdict = box_side_verdict(stored.box[side], counted.box[side],
                                                     scale_of(header, side / 2), side % 2 == 0);
            if (verdict == Verdict::stale) stale_sides |= 1u << side;
            if (verdict == Verdict::warning) off_sides |= 1u << side;
        }
    }
    Verdict legacy = layout.counts64 ? legacy_verdict(layout, stored, counted) : Verdict::right;
    if (rules.strict) {
        stale_sides |= off_sides;
        off_sides = 0;
        if (legacy == Verdict::warning) legacy = Verdict::stale;
    }
    v.stale_sides = stale_sides;
    v.warning_sides = off_sides;
    if (stale_sides != 0) v.stale |= VARNOKE_LAS_STALE_BOX;
    if (off_sides != 0) v.warnings |= box_warning;
    if (legacy == Verdict::stale) v.stale |= VARNOKE_LAS_STALE_LEGACY;
    if (legacy == Verdict::warning) v.warnings |= VARNOKE_LAS_WARN_LEGACY_SET;
    return v;
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
