// SIGINT, SIGTERM and SIGHUP stop a run cleanly: no new file is taken, the files being judged
// finish (their one write included) unless the library can give up on them at once, their lines
// and the summary are printed, and the exit status is 128 + the signal's number. A standard
// output that can no longer be written (its reader gone) stops the run in the same way, with
// the status of a failed write.
#ifndef VARNOKE_LAS_SIGNALS_H
#define VARNOKE_LAS_SIGNALS_H

#include <string>

namespace varnoke_las {

// Installs the handlers, without SA_RESTART: a read of the list waiting for more ends. SIGPIPE
// is ignored: a reader gone shows as a failed write.
void catch_stop_signals();

// The number of the first stop signal received, or 0.
int stop_signal();

// Standard output cannot be written any more: the run stops as for a signal.
void stop_for_output();

// True once a stop signal came or standard output failed; safe from any thread.
bool stop_requested();

// stop_requested() as the library asks it (varnoke_las_options.stop): non-zero to stop.
int library_stop(void *unused);

// Keeps the stop signals from the threads started until the guard ends, so that they reach the
// thread that lists and writes, and interrupt its waits.
class StopSignalsBlocked {
public:
    StopSignalsBlocked();
    ~StopSignalsBlocked();
    StopSignalsBlocked(const StopSignalsBlocked &) = delete;
    StopSignalsBlocked &operator=(const StopSignalsBlocked &) = delete;
};

// Writes all of `text` to standard output with as few writes as the system allows, resuming
// after a signal; false on an error.
bool write_all(const std::string &text);

}  // namespace varnoke_las

#endif
