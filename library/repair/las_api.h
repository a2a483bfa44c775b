// The status functions' judgement of one file, as they all call it.
#ifndef VARNOKE_LAS_API_H
#define VARNOKE_LAS_API_H

#include <cstddef>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "road.h"

namespace varnoke {

// varnoke_las_check_ex or, where `repair`, varnoke_las_repair_ex on the file at `where` (by its
// path, or by one name in an open folder). `after_scan` is the tests' hook into the road.
int judge_file(const FileName &where, const varnoke_las_options *options,
               varnoke_las_report *report, std::size_t report_size, bool repair,
               AfterScan after_scan = {});

}  // namespace varnoke

#endif
