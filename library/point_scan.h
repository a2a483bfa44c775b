// The single pass over the point records: raw extremes and counts by return number.
#ifndef VARNOKE_POINT_SCAN_H
#define VARNOKE_POINT_SCAN_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace varnoke {

struct PointTally {
    uint64_t records = 0;
    uint64_t by_return[8] = {};  // indexed by return number 0 to 7
    // Raw extremes of X, Y and Z; meaningful only once a record has been seen.
    int32_t min[3] = {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                      std::numeric_limits<int32_t>::max()};
    int32_t max[3] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::min()};
};

// Reads whole records from the current position of `f` to the end of the file through `buffer`
// (at least one record long) and tallies them; a trailing fragment is not a record. Returns false
// on a read error, as opposed to the end of the file.
bool scan_points(std::FILE *f, std::size_t record_length, unsigned char *buffer,
                 std::size_t buffer_size, PointTally &tally);

}  // namespace varnoke

#endif
