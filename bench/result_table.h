// The figures gathered for each file, and the tables and targets printed from them.
#ifndef VARNOKE_BENCH_RESULT_TABLE_H
#define VARNOKE_BENCH_RESULT_TABLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "child_process.h"

namespace bench {

struct ToolFigures {
    std::vector<double> seconds;  // one per timed run
    long peak_rss_kib = 0;        // the largest of all runs

    void add(const ChildRun &run);
};

struct FileFigures {
    std::string label;  // e.g. "format 0, 1024 MiB"
    uint8_t point_format = 0;
    uint64_t size_mib = 0;
    bool large = false;  // one of the throughput files (else the small one for the memory target)
    uint64_t records = 0;
    ToolFigures quillfen, dd, baseline;
};

// Median [min-max] wall time of each program per file and the ratios of the medians.
void print_times(const std::vector<FileFigures> &files, int rounds);

// Peak resident memory of each program per file; `floor_kib` is that of `true` started the same
// way, below which no figure can fall.
void print_memory(const std::vector<FileFigures> &files, long floor_kib);

// The targets beside the figures, each with PASS or MISS.
void print_targets(const std::vector<FileFigures> &files);

}  // namespace bench

#endif
