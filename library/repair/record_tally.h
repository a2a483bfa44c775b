// The work done on each point record: raw extremes and counts by return number.
#ifndef VARNOKE_RECORD_TALLY_H
#define VARNOKE_RECORD_TALLY_H

#include <cstddef>
#include <cstdint>
#include <limits>

namespace varnoke {

struct PointTally {
    uint64_t records = 0;
    uint64_t by_return[16] = {};  // indexed by return number 0 to 15
    uint64_t return_above = 0;    // records whose return number exceeds their number of returns
    // Raw extremes of X, Y and Z; meaningful only once a record has been seen.
    int32_t min[3] = {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                      std::numeric_limits<int32_t>::max()};
    int32_t max[3] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::min()};
};

// What a scan learned beside the tally: whether the count is certain, and what of the point
// data the file lacks.
struct ScanFindings {
    // false: the last LAZ chunk's bytes allow more than one count (the tally holds the
    // smallest), or a cut-off LAZ file holds more than its whole chunks
    bool exact = true;
    // Where not exact: the largest count the bytes allow; UINT64_MAX where nothing bounds it
    // (a cut-off file, whose missing chunks cannot be counted).
    uint64_t most_records = 0;
    unsigned missing = 0;        // VARNOKE_LAS_MISSING_* bits
    uint64_t missing_bytes = 0;  // at least this many bytes lacking at the end of the file
    // Where not exact: whether the header's count is one of those the bytes allow, and the
    // tally the file then gives.
    bool stored_allowed = false;
    PointTally at_stored;
};

// Adds `count` whole records of `record_length` bytes (at least 16), laid out one after the
// other from `data`, to `tally`. The return number is the low `return_bits` bits of byte 14: 3
// for point formats 0 to 5, 4 for formats 6 to 10.
void tally_records(const unsigned char *data, std::size_t count, std::size_t record_length,
                   unsigned return_bits, PointTally &tally);

// The same as tally_records, on every processor without its processor-specific instructions;
// both must agree.
void tally_records_baseline(const unsigned char *data, std::size_t count, std::size_t record_length,
                            unsigned return_bits, PointTally &tally);

// Adds the records tallied in `part` to `whole`.
void merge(PointTally &whole, const PointTally &part);

}  // namespace varnoke

#endif
