// The coordinate reference system a LAS file declares, read from the payload of its GeoTIFF
// GeoKeyDirectory record or of its OGC WKT record: the EPSG codes it names and the unit of its
// horizontal axes. Nothing is transformed and no EPSG database is consulted: what the record
// does not state is left at 0.
#ifndef VARNOKE_CRS_H
#define VARNOKE_CRS_H

#include <cstddef>
#include <cstdint>

namespace varnoke {

struct Crs {
    uint32_t epsg = 0;      // horizontal: projected, else geographic; 0 where not stated
    uint32_t vertical = 0;  // 0 where not stated
    uint32_t units = 0;     // EPSG unit of measure of the horizontal axes; 0 where not stated
};

// EPSG codes of the units named most often.
inline constexpr uint32_t kMetre = 9001, kFoot = 9002, kUsSurveyFoot = 9003, kDegree = 9102;

struct GeoKeys {
    Crs crs;
    bool names_crs = false;  // some key names or defines a horizontal system
};

// Reads a GeoKeyDirectory: a header of four 16-bit values (version 1, revisions, the number of
// keys) and four values per key (id, location, count, value). Only keys whose value is held in
// the entry itself (location 0) are read; a count of keys beyond the payload reads what is there.
GeoKeys parse_geokeys(const unsigned char *payload, std::size_t size);

// Reads an OGC WKT text, WKT 1 or 2: the EPSG identifier at the top level of its horizontal
// system (of the compound's horizontal part) and of its vertical one, and the horizontal unit.
// The text ends at its first NUL byte or at `size`.
Crs parse_wkt(const char *text, std::size_t size);

}  // namespace varnoke

#endif
