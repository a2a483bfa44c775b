// What the LAS specification asks of a header and its records that no reader needs in order to
// count the points or place them: a coordinate reference system, the records the header
// declares, the bits it reserves. Judged on the header's bytes and its VLRs alone; the file is
// never refused for these.
#ifndef VARNOKE_HEADER_WARNINGS_H
#define VARNOKE_HEADER_WARNINGS_H

#include <cstdint>

#include "point_layout.h"
#include "vlr_walk.h"

namespace varnoke {

// What the records that declare a coordinate reference system hold.
struct CrsRecords {
    bool geokeys = false;           // a GeoKeyDirectory record
    bool geokeys_name_crs = false;  // and some of its keys name or define a horizontal system
    bool wkt = false;               // an OGC WKT record
};

// Which record a reader takes the coordinate reference system from (VARNOKE_LAS_CRS_*): the WKT
// record where LAS 1.4 says so by bit 4 of the global encoding, the GeoKeyDirectory otherwise,
// and whichever is there where the other is missing.
unsigned crs_source(const PointLayout &layout, uint16_t global_encoding, const CrsRecords &crs);

// The VARNOKE_LAS_WARN_* bits of the header itself: no CRS, a GeoKeyDirectory naming none, the
// WKT bit without a WKT record, point formats 6 to 10 without WKT, more VLRs declared than fit
// before the point data (`walked` of `declared`), reserved bits of the global encoding.
uint64_t header_warnings(const PointLayout &layout, uint16_t global_encoding, uint32_t walked,
                         const CrsRecords &crs);

}  // namespace varnoke

#endif
