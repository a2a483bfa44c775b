// The exit status of a run, from the results of its files.
#ifndef VARNOKE_LAS_EXIT_STATUS_H
#define VARNOKE_LAS_EXIT_STATUS_H

#include "options.h"
#include "progress.h"

namespace varnoke_las {

// check: 0 when every file is right, 1 when some are stale, truncated or of an uncertain count
// and none refused, 2 when any was refused; repair: 0 when every file is right afterwards, 2
// otherwise (a truncated file left as it was is not right).
int exit_status(const Options &options, const Tally &tally);

}  // namespace varnoke_las

#endif
