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

// Runs varnoke-las with `args` in directory `cwd`.
ProcessResult run_varnoke_las(const std::vector<std::string> &args, const std::string &cwd);

// Runs the program that calls one argument check of the library (argument_check.cpp) with
// `args` in directory `cwd`, as Quillfen is run.
ProcessResult run_argument_check(const std::vector<std::string> &args, const std::string &cwd);

#if !defined(_WIN32)
// Runs Quillfen bound by file permissions as any other user is: root without the capability of
// overriding them. Where that capability cannot be dropped the tool does not start (status 126).
ProcessResult run_quillfen_bound_by_permissions(const std::vector<std::string> &args,
                                                const std::string &cwd);
#endif

}  // namespace lastest

#endif
