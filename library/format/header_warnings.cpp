#include "header_warnings.h"

#include "Varnoke_LiDAR.h"

namespace varnoke {

namespace {

constexpr uint16_t kWktBit = 1u << 4;  // LAS 1.4: the CRS is given as WKT

// The global encoding bits each version defines: none before 1.2 (the field is reserved there
// as a whole, and older writers used it for other things), then the GPS time type (1.2), the
// waveform data and synthetic return numbers (1.3), WKT (1.4).
uint16_t defined_encoding_bits(unsigned version_minor) {
    switch (version_minor) {
        case 2:
            return 0x0001;
        case 3:
            return 0x000F;
        default:
            return 0x001F;
    }
}

}  // namespace

unsigned crs_source(const PointLayout &layout, uint16_t global_encoding, const CrsRecords &crs) {
    const bool wkt_first = layout.version_minor >= 4 && (global_encoding & kWktBit) != 0;
    if (crs.wkt && (wkt_first || !crs.geokeys)) return VARNOKE_LAS_CRS_WKT;
    if (crs.geokeys) return VARNOKE_LAS_CRS_GEOTIFF;
    return VARNOKE_LAS_CRS_NONE;
}

uint64_t header_warnings(const PointLayout &layout, uint16_t global_encoding, uint32_t walked,
                         const CrsRecords &crs) {
    uint64_t warnings = 0;
    if (!crs.geokeys && !crs.wkt) warnings |= VARNOKE_LAS_WARN_NO_CRS;
    if (crs.geokeys && !crs.geokeys_name_crs) warnings |= VARNOKE_LAS_WARN_GEOKEYS_EMPTY;
    const bool wkt_bit = layout.version_minor >= 4 && (global_encoding & kWktBit) != 0;
    if (wkt_bit && !crs.wkt) {
        warnings |= VARNOKE_LAS_WARN_WKT_MISSING;
    } else if (layout.point_format >= 6 && !(wkt_bit && crs.wkt)) {
        warnings |= VARNOKE_LAS_WARN_WKT_REQUIRED;
    }
    if (walked < layout.vlr_count) warnings |= VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT;
    if (layout.version_minor >= 2 &&
        (global_encoding & ~defined_encoding_bits(layout.version_minor)) != 0) {
        warnings |= VARNOKE_LAS_WARN_RESERVED_ENCODING;
    }
    return warnings;
}

}  // namespace varnoke
