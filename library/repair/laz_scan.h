// The scanner of compressed (LAZ) point data: the chunks decoded on the call's threads into the
// same tally as plain records.
#ifndef VARNOKE_LAZ_SCAN_H
#define VARNOKE_LAZ_SCAN_H

#include <cstdint>
#include <cstdio>

#include "judged_file.h"
#include "laz_file.h"
#include "laz_status.h"
#include "record_tally.h"
#include "workers.h"

namespace varnoke {

// Decodes the points of the LAZ file `judged` lays out, through `f`, into `tally`, with
// what the scan learned beside it in `found`. Returns VARNOKE_LAS_OK or the varnoke_las_status
// of the refusal (VARNOKE_LAS_ERR_STOPPED where the caller asked to stop). Memory: a window or
// two of a chunk's bytes per thread, and the chunk table.
int scan_laz(std::FILE *f, const JudgedFile &judged, const Workers &workers, PointTally &tally,
             ScanFindings &found);

// The same on the file `file` describes (its reads, where its point data lies, its LASzip VLR),
// whose header holds `stored_records`: the count a last chunk's bytes are compared with where
// they allow several, and that bounds the points of a stream without chunks.
//
// Where the chunks are: the chunk table, whose chunks must end exactly where it begins. A table
// (or its offset) past the end of a file whose point data runs to the end is lost, as in a
// download cut short: the chunks are then found one after the other from the first, and
// `found.missing` says what is lacking; where the chunks reach past the end, the tally is that
// of the whole chunks before the cut (`found.exact` false, `most_records` UINT64_MAX).
int scan_laz_file(const laz::LazFile &file, const Workers &workers, uint64_t stored_records,
                  PointTally &tally, ScanFindings &found);

// The varnoke_las_status of each reason the decoder gives.
int laz_public_status(laz::LazStatus why);

}  // namespace varnoke

#endif
