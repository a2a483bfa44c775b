// What each warning means: a stable code for scripts and a sentence for people, one row a bit.
#include <cstdint>

#include "Varnoke_LiDAR.h"

namespace varnoke {

namespace {

struct WarningText {
    uint64_t bit;
    const char *code;
    const char *sentence;  // without a final full stop
};

constexpr WarningText kTable[] = {
    {VARNOKE_LAS_WARN_BOX_IMPRECISE, "box_imprecise",
     "a side of the box is off by less than a quarter of a scale step outside the points or "
     "half a step beyond them: no reader is misled"},
    {VARNOKE_LAS_WARN_LEGACY_SET, "legacy_counts_set",
     "the legacy point counts are set where LAS 1.4 asks for zero (point formats 6 to 10, or "
     "counts beyond 32 bits), though they equal the true counts"},
    {VARNOKE_LAS_WARN_EMPTY_BOX, "empty_box_not_zero",
     "the file holds no point records, but its box is not all zeros"},
    {VARNOKE_LAS_WARN_NO_CRS, "no_crs",
     "no coordinate reference system: neither a GeoKeyDirectory VLR nor an OGC WKT VLR"},
    {VARNOKE_LAS_WARN_GEOKEYS_EMPTY, "geokeys_empty",
     "the GeoKeyDirectory VLR names no horizontal coordinate reference system (no keys, or "
     "only units and citations)"},
    {VARNOKE_LAS_WARN_WKT_MISSING, "wkt_missing",
     "the WKT bit of the global encoding is set, but there is no OGC WKT VLR"},
    {VARNOKE_LAS_WARN_WKT_REQUIRED, "wkt_required",
     "point formats 6 to 10 need the coordinate reference system as OGC WKT, with the WKT bit "
     "of the global encoding set"},
    {VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT, "vlrs_do_not_fit",
     "the header declares more variable-length records than fit before the point data"},
    {VARNOKE_LAS_WARN_RETURN_ZERO, "return_number_zero", "points with return number 0"},
    {VARNOKE_LAS_WARN_RETURN_ABOVE, "return_number_above_count",
     "points whose return number is greater than their number of returns"},
    {VARNOKE_LAS_WARN_RESERVED_ENCODING, "reserved_encoding_bits",
     "reserved bits of the global encoding are set"},
    {VARNOKE_LAS_WARN_COUNT_UNPROVEN, "count_unproven",
     "the bytes of the last LAZ chunk allow more than one point count; the header's is one of "
     "them"},
};

const WarningText *row_of(uint64_t warning) {
    for (const WarningText &row : kTable) {
        if (row.bit == warning) return &row;
    }
    return nullptr;
}

}  // namespace

}  // namespace varnoke

extern "C" {

const char *varnoke_las_warning_code(uint64_t warning) {
    const varnoke::WarningText *const row = varnoke::row_of(warning);
    return row != nullptr ? row->code : "unknown";
}

const char *varnoke_las_warning_text(uint64_t warning) {
    const varnoke::WarningText *const row = varnoke::row_of(warning);
    return row != nullptr ? row->sentence : "unknown warning";
}

}  // extern "C"
