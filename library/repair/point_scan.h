// The single pass over the point records.
#ifndef VARNOKE_POINT_SCAN_H
#define VARNOKE_POINT_SCAN_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "record_tally.h"
#include "workers.h"

namespace varnoke {

// The records are read in blocks of whole records of at most this size. The fuzz build makes it
// small, so that small inputs span many blocks and both threads.
#if defined(VARNOKE_SCAN_BLOCK_BYTES)
constexpr std::size_t kScanBlockBytes = VARNOKE_SCAN_BLOCK_BYTES;
#else
constexpr std::size_t kScanBlockBytes = std::size_t{512} << 10;
#endif

// Where the records lie and how to read them.
struct ScanRange {
    uint64_t start;             // the first record
    uint64_t end;               // the byte after the last whole or partial record
    std::size_t record_length;  // at least 16
    unsigned return_bits;       // 3 or 4: see tally_records
};

// Reads the whole records from `range.start` to `range.end` of `f`, or to the end of the file if
// sooner, and tallies them into `tally` on `workers`; a trailing fragment is not a record. Reads
// through `f` only, with positioned reads; its position is left unspecified. VARNOKE_LAS_OK,
// with `tally` complete; VARNOKE_LAS_ERR_READ (the system reported an error, as opposed to the
// end of the file), VARNOKE_LAS_ERR_NO_MEMORY (no buffer for the blocks) or
// VARNOKE_LAS_ERR_STOPPED (the caller's stop function, asked before each block, said so).
int scan_points(std::FILE *f, const ScanRange &range, const Workers &workers, PointTally &tally);

}  // namespace varnoke

#endif
