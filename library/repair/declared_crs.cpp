#include "declared_crs.h"

#include <algorithm>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "header_bytes.h"
#include "header_warnings.h"

namespace varnoke {

namespace {

// The payload of `record`, as far as the file holds it; false on a read error.
bool read_payload(std::FILE *f, const RecordAt &record, std::vector<unsigned char> &bytes) {
    bytes.resize(static_cast<std::size_t>(std::min<uint64_t>(record.bytes, kMostCrsBytes)));
    const int64_t got = read_at(f, record.at, bytes.data(), bytes.size());
    if (got < 0) return false;
    bytes.resize(static_cast<std::size_t>(got));
    return true;
}

}  // namespace

int read_declared_crs(std::FILE *f, const JudgedFile &judged, DeclaredCrs &out) {
    out = DeclaredCrs{};
    // The VLRs' records first, the EVLRs' where the VLRs have none of a kind.
    ProjectionRecords projection = judged.vlrs.projection;
    if (!projection.geokeys.found) projection.geokeys = judged.evlrs.projection.geokeys;
    if (!projection.wkt.found) projection.wkt = judged.evlrs.projection.wkt;
    CrsRecords records;
    std::vector<unsigned char> bytes;
    GeoKeys keys;
    Crs wkt;
    if (projection.geokeys.found) {
        if (!read_payload(f, projection.geokeys, bytes)) return VARNOKE_LAS_ERR_READ;
        keys = parse_geokeys(bytes.data(), bytes.size());
        records.geokeys = true;
        records.geokeys_name_crs = keys.names_crs;
    }
    if (projection.wkt.found) {
        if (!read_payload(f, projection.wkt, bytes)) return VARNOKE_LAS_ERR_READ;
        wkt = parse_wkt(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        records.wkt = true;
    }
    const uint16_t encoding = load<uint16_t>(judged.header, at::kGlobalEncoding);
    out.source = crs_source(judged.layout, encoding, records);
    if (out.source == VARNOKE_LAS_CRS_GEOTIFF) out.crs = keys.crs;
    if (out.source == VARNOKE_LAS_CRS_WKT) out.crs = wkt;
    out.warnings = header_warnings(judged.layout, encoding, judged.vlrs.walked, records);
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
