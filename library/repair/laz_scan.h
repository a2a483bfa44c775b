// The scanner of compressed (LAZ) point data: the chunks decoded on the call's threads into the
// same tally as plain records.
#ifndef VARNOKE_LAZ_SCAN_H
#define VARNOKE_LAZ_SCAN_H

#include <cstdio>

#include "judged_file.h"
#include "record_tally.h"
#include "workers.h"

namespace varnoke {

// Decodes the points of the LAZ file `judged` lays out, through `f`, into `tally`;
// `found.exact` is false where the bytes of the last chunk leave its count ambiguous (the tally
// then holds the smallest count they allow). Returns VARNOKE_LAS_OK or the varnoke_las_status
// of the refusal. Memory: one chunk's bytes per thread.
int scan_laz(std::FILE *f, const JudgedFile &judged, const Workers &workers, PointTally &tally,
             ScanFindings &found);

}  // namespace varnoke

#endif
