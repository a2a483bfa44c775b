#include "exit_status.h"

namespace varnoke_las {

int exit_status(const Options &options, const Tally &tally) {
    if (tally.refused > 0) return 2;
    const bool check = options.command == Command::check;
    if (tally.truncated > 0 || tally.uncertain > 0) return check ? 1 : 2;
    if (check && tally.stale > 0) return 1;
    return 0;
}

}  // namespace varnoke_las
