// The header update as a function that reports its outcome instead of ending the process.
#ifndef VARNOKE_HEADER_UPDATE_H
#define VARNOKE_HEADER_UPDATE_H

#include <cstdint>

#include "road.h"

namespace varnoke {

// The update's policy: LAS 1.0 to 1.2 of the type validation found by name, a file without
// records given the start values, no warnings (what is not right is stale), and the header
// written whatever it held.
RoadPolicy update_policy(int16_t validated_type);

// Validates the file, scans its point records and rewrites its header. Returns 0 once the new
// header is on the disk, or -1 after printing why not; before the header write, every failure
// leaves the file as it was. `after_scan` is the tests' hook into the road.
int update_header_status(const char *filename, AfterScan after_scan = {});

// Prints the update's message for the road's `outcome` about `filename`, whose header is
// `header` (as read through the update's handle, for the offset, format and version in some
// messages).
void print_update_refusal(const RoadOutcome &outcome, const char *filename,
                          const unsigned char *header);

}  // namespace varnoke

#endif
