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

// How a face judges and writes the values: its rules, not the file's.
struct ValueRules {
    // A file without records has no extremes: true, a box of zeros is written, as LAS 1.4 asks
    // (the status functions); false, the update's start values.
    bool zero_box_without_records = true;
    // The warnings about the counts and the box are stale instead: the status functions under
    // VARNOKE_LAS_STRICT, and always the update, whose rules have no warnings.
    bool strict = false;
};

// The values the records tallied in `tally` give, the box in the scales and offsets of `header`
// (without records as `rules` say). VARNOKE_LAS_ERR_TOO_MANY where the header's counts cannot
// hold them, else VARNOKE_LAS_OK.
int counted_values(const unsigned char *header, const PointLayout &layout, const PointTally &tally,
                   const ValueRules &rules, HeaderValues &out);

// Whether a stored side of the box is the computed one: the same bits, or off by no more than
// last-bit noise of other writers' double arithmetic, the larger of 10^-6 of the scale factor
// and 4 units in the last place of the computed value. Not finite: the same bits only.
bool extreme_right(double stored, double computed, double scale);

// How a stored value stands against the one a repair writes: right, a warning (the LAS text asks
// for the other value, but no reader that trusts it is misled), or stale (a reader is misled).
enum class Verdict { right, warning, stale };

// A side of the box of a file with records: `computed` the side a repair writes, `scale` its
// axis' scale factor, `max_side` for MaxX, MaxY, MaxZ. Right by extreme_right; otherwise, with
// q = |scale|, stale where the stored side leaves a point outside the box by q/4 or more, or
// lies q/2 or more beyond the outermost point, a warning where it is closer. The side's
// direction is that of the coordinates (a negative scale turns the raw maximum into the least
// coordinate). Without a step to measure by (scale 0 or not finite), and where either value is
// not finite, a side that is not right is stale.
Verdict box_side_verdict(double stored, double computed, double scale, bool max_side);

// LAS 1.4's legacy count and counts by return 1 to 5 (layout.counts64 only). Point formats 0 to
// 5 with a count that fits 32 bits: right all zero or all equal to the true values, stale
// otherwise. Formats 6 to 10, or a count beyond 32 bits, where the text asks for zeros: right all
// zero, stale where a non-zero field differs from its true value (a 1.4 reader is told to prefer
// it), a warning where every non-zero field equals its true value.
Verdict legacy_verdict(const PointLayout &layout, const HeaderValues &stored,
                       const HeaderValues &counted);

// The box of a file without records: right all zero, and in LAS 1.0 to 1.2 also all the
// update's start values; otherwise a warning (there are no extremes for a reader to miss).
Verdict empty_box_verdict(const unsigned char *header, const double (&box)[6]);

// The verdicts on a header's stored values, with the warnings strictness turns stale.
struct ValueVerdicts {
    unsigned stale = 0;        // VARNOKE_LAS_STALE_* bits
    unsigned stale_sides = 0;  // of the box, bit k for side k (MaxX, MinX, MaxY, MinY, MaxZ, MinZ)
    uint64_t warnings = 0;     // VARNOKE_LAS_WARN_BOX_IMPRECISE, _LEGACY_SET, _EMPTY_BOX
    unsigned warning_sides = 0;  // of the box: off, but not stale
};

// Which `stored` values differ from the `counted` ones. Counts compare exactly; the box by
// box_side_verdict (without records by empty_box_verdict, the sides that are not zero), the
// legacy fields of LAS 1.4 by legacy_verdict. Where `rules.strict`, a warning is stale instead:
// the box's sides or the legacy counts, and its warning bit is not given.
ValueVerdicts judge_values(const unsigned char *header, const PointLayout &layout,
                           const PointTally &tally, const HeaderValues &stored,
                           const HeaderValues &counted, const ValueRules &rules);

// Writes `values` into `header` at their offsets, as `layout` lays them out.
void store_values(unsigned char *header, const PointLayout &layout, const HeaderValues &values);

}  // namespace varnoke

#endif
