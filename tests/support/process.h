// Runs the real Quillfen and varnoke-las executables, or another program of the tests, as
// separate processes.
#ifndef VARNOKE_TESTS_PROCESS_H
#define VARNOKE_TESTS_PROCESS_H

#include <string>
#include <utility>
#include <vector>

namespace lastest {

struct ProcessResult {
    std::string out;  // everything written to standard output
    int status;       // exit status as a POSIX shell shows it (its low 8 bits): -1 is 255
};

// Runs Quillfen with `args` in directory `cwd`.
ProcessResult run_quillfen(const std::vector<std::string> &args, const std::string &cwd,
                           const std::vector<std::pair<std::string, std::string>> &env = {});

// Runs varnoke-las with `args` in directory `cwd`, `env` added to its environment.
ProcessResult run_varnoke_las(const std::vector<std::string> &args, const std::string &cwd,
                              const std::vector<std::pair<std::string, std::string>> &env = {});

// Runs the program that calls one argument check of the library (argument_check.cpp) with
// `args` in directory `cwd`, as Quillfen is run.
ProcessResult run_argument_check(const std::vector<std::string> &args, const std::string &cwd);

#if !defined(_WIN32)
// Starts varnoke-las with `args` in directory `cwd`, its standard input, output and error the
// descriptors `in`, `out` and `err` (-1: this process's own), and returns its process id at
// once. Descriptors of this process not marked close-on-exec are inherited too.
int start_varnoke_las(const std::vector<std::string> &args, const std::string &cwd, int in, int out,
                      int err);

// Waits for the process `pid` to end: its exit status as a POSIX shell shows it (128 + the
// signal's number for a process ended by a signal).
int wait_for(int pid);

// Runs Quillfen bound by file permissions as any other user is: root without the capability of
// overriding them. Where that capability cannot be dropped the tool does not start (status 126).
ProcessResult run_quillfen_bound_by_permissions(const std::vector<std::string> &args,
                                                const std::string &cwd);
#endif

}  // namespace lastest

#endif
