// SIGINT, SIGTERM and SIGHUP stop a run cleanly: no new file is taken, the files being judged
// finish (their one write included), their lines and the summary are printed, and the exit
// status is 128 + the signal's number.
#ifndef VARNOKE_LAS_SIGNALS_H
#define VARNOKE_LAS_SIGNALS_H

#include <string>

namespace varnoke_las {

// Installs the handlers, without SA_RESTART: a read of the list waiting for more ends.
void catch_stop_signals();

// The number of the first stop signal received, or 0.
int stop_signal();

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
