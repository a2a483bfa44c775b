// The coordinate reference system a judged file declares and the warnings its header earns,
// read through the handle the road reads through.
#ifndef VARNOKE_DECLARED_CRS_H
#define VARNOKE_DECLARED_CRS_H

#include <cstdint>
#include <cstdio>

#include "crs.h"
#include "judged_file.h"

namespace varnoke {

struct DeclaredCrs {
    unsigned source = 0;    // VARNOKE_LAS_CRS_*
    Crs crs;                // as the record of `source` states it
    uint64_t warnings = 0;  // VARNOKE_LAS_WARN_* bits of the header (header_warnings)
};

// Reads the GeoKeyDirectory and WKT records the walks found (a VLR before an EVLR) (at most
// kMostCrsBytes of each) and judges the header. VARNOKE_LAS_OK, or VARNOKE_LAS_ERR_READ where the
// system reported an error; a record that ends past the end of the file is read as far as it goes.
int read_declared_crs(std::FILE *f, const JudgedFile &judged, DeclaredCrs &out);

// No CRS record is longer: a VLR holds at most 65,535 bytes, and a WKT text of an EVLR beyond
// this is read this far.
inline constexpr std::size_t kMostCrsBytes = 65535;

}  // namespace varnoke

#endif
