// The check and the repair of varnoke_las_check and varnoke_las_repair.
#ifndef VARNOKE_LAS_INSPECT_H
#define VARNOKE_LAS_INSPECT_H

#include "Varnoke_LiDAR.h"
#include "record_pass.h"

namespace varnoke {

// Judges and scans the file at `path` into `report`; with `repair`, writes its header if stale.
// `after_scan` runs between the scan and the opening for the write, where the tests change the
// file. Returns a varnoke_las_status.
int inspect(const char *path, varnoke_las_report *report, bool repair, const AfterScan &after_scan);

// As inspect, on the file `where` names; every open of it is made the same way.
int inspect_named(const FileName &where, varnoke_las_report *report, bool repair,
                  const AfterScan &after_scan);

}  // namespace varnoke

#endif
