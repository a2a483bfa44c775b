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

// Whether a stored side of the box is the computed one: the same bits, or off by no more than
// last-bit noise of other writers' double arithmetic, the larger of 10^-6 of the scale factor
// and 4 units in the last place of the computed value. Not finite: the same bits only.
bool extreme_right(double stored, double computed, double scale);

// The sides of the stored box that are stale, bit k for side k (MaxX, MinX, MaxY, MinY, MaxZ,
// MinZ): by extreme_right, or, without records, every side unless the box is all zeros or, in
// LAS 1.0 to 1.2, all the update's start values.
unsigned stale_box_sides(const unsigned char *header, const PointTally &tally,
                         const HeaderValues &stored, const HeaderValues &counted);

// Which `stored` values differ from the `counted` ones, as VARNOKE_LAS_STALE_* bits. Counts
// compare exactly; each side of the box by extreme_right (without records: a box of zeros or, in
// LAS 1.0 to 1.2, of the update's start values); the legacy fields of LAS 1.4 must be zero for
// point formats 6 to 10, and are right all zero or all equal to the counted values for older
// formats.
unsigned stale_bits(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                    const HeaderValues &stored, const HeaderValues &counted);

// Writes `values` into `header` at their offsets, as `layout` lays them out.
void store_values(unsigned char *header, const PointLayout &layout, const HeaderValues &values);

}  // namespace varnoke

#endif
