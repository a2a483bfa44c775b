// Runs a program as a child process and measures it: wall time and peak resident memory.
#ifndef VARNOKE_BENCH_CHILD_PROCESS_H
#define VARNOKE_BENCH_CHILD_PROCESS_H

#include <string>
#include <vector>

namespace bench {

struct ChildRun {
    double seconds = 0.0;  // wall time, from before the fork to the reaping, steady clock
    long max_rss_kib = 0;  // the child's peak resident set (ru_maxrss from wait4)
    int exit_status = -1;  // as the shell shows it; -1 when a signal ended the child
    int signal = 0;        // the signal that ended the child, 0 if it exited
    bool ok() const { return signal == 0 && exit_status == 0; }
};

// What a run that is not ok() amounts to, e.g. "exit status 255" or "signal 11".
std::string describe_failure(const ChildRun &run);

// Runs argv[0] (looked up in PATH when it holds no slash) with the arguments argv, standard input
// and output on /dev/null, standard error too when `quiet_stderr`. A program that cannot be
// started ends with exit status 127. Throws std::runtime_error if no child can be created.
//
// The child is forked rather than spawned with vfork semantics: the kernel charges a child's
// peak memory with the memory it starts from, which after fork is this process's current
// resident set (kept small here), but after vfork would be this process's own peak.
ChildRun run_child(const std::vector<std::string> &argv, bool quiet_stderr);

}  // namespace bench

#endif
