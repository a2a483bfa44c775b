// The command line of the header update benchmark.
#ifndef VARNOKE_BENCH_BENCH_OPTIONS_H
#define VARNOKE_BENCH_BENCH_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>

namespace bench {

struct Options {
    std::string dir;           // empty: a fresh directory under $TMPDIR or /tmp
    bool keep = false;         // leave the files behind
    int rounds = 5;            // timed runs of each program on each file
    uint64_t size_mib = 1024;  // the large files, one per point format 0 and 3
    uint64_t small_mib = 100;  // the small file (point format 0), for the memory comparison
    std::string quillfen;      // the tool under test
    std::string baseline;      // the record-by-record baseline
};

// The options of the command line, starting from the defaults above and the given program paths.
// Prints the usage (to standard output for --help, else to standard error) and returns the exit
// status when the program should stop instead of running.
std::optional<int> parse_options(int argc, char **argv, Options &options);

}  // namespace bench

#endif
