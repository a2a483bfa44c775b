// Runs the real executables, Quillfen and varnoke-las, as separate processes.
#ifndef VARNOKE_TESTS_PROCESS_H
#define VARNOKE_TESTS_PROCESS_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lastest {

struct ProcessResult {
    std::string out;  // everything written to standard output
    int status;       // exit status as a POSIX shell shows it (its low 8 bits): -1 is 255
};

// Runs `body` in a child process, in directory `cwd`, and collects what it writes to standard
// output and how it ends: through exit, or with status 0 when `body` returns. On POSIX systems the
// child is a forked copy of this process. On Windows it is a new run of the current test of this
// test program, which must reach the same call by the same steps: the calls before it return an
// empty result there.
ProcessResult run_in_child(const std::function<void()> &body, const std::string &cwd = ".");

// Runs Quillfen with `args` in directory `cwd`.
ProcessResult run_quillfen(const std::vector<std::string> &args, const std::string &cwd,
                           const std::vector<std::pair<std::string, std::string>> &env = {});

// Runs varnoke-las with `args` in directory `cwd`.
ProcessResult run_varnoke_las(const std::vector<std::string> &args, const std::string &cwd);

#if !defined(_WIN32)
// Runs Quillfen bound by file permissions as any other user is: root without the capability of
// overriding them. Where that capability cannot be dropped the tool does not start (status 126).
ProcessResult run_quillfen_bound_by_permissions(const std::vector<std::string> &args,
                                                const std::string &cwd);
#endif

}  // namespace lastest

#endif
