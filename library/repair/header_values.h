// The counts and the box of a LAS header: as stored, as the records give them, which of them are
// stale, and their bytes.
#ifndef VARNOKE_HEADER_VALUES_H
#define VARNOKE_HEADER_VALUES_H

#include <cstdint>

#include "point_layout.h"
#include "record_tally.h"

namespace varnoke {

struct HeaderValues {
    uint64_t records = 0;
    uint64_t by_return[15] = {};  // return numbers 1 to 15
    double box[6] = {};           // MaxX, MinX, MaxY, MinY, MaxZ, MinZ
    // LAS 1.4 only: the 32-bit count and counts by return 1 to 5 kept for older readers.
    uint64_t legacy_records = 0;
    uint64_t legacy_by_return[5] = {};
};

// The values `header` holds, laid out as `layout` says.
HeaderValues stored_values(const unsigned char *header, const PointLayout &layout);

// The values the records tallied in `tally` give, the box in the scales and offsets of `header`.
// VARNOKE_LAS_ERR_TOO_MANY where the header's counts cannot hold them, else VARNOKE_LAS_OK.
int counted_values(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                   HeaderValues &out);

// Which `stored` values differ from the `counted` ones, as VARNOKE_LAS_STALE_* bits. Counts
// compare exactly; the box on the quantization grid of `header`; the legacy fields of LAS 1.4 are
// right when all zero or all equal to the counted values.
unsigned stale_bits(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                    const HeaderValues &stored, const HeaderValues &counted);

// Writes `values` into `header` at their offsets, as `layout` lays them out.
void store_values(unsigned char *header, const PointLayout &layout, const HeaderValues &values);

}  // namespace varnoke

#endif
