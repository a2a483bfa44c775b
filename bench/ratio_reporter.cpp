#include "ratio_reporter.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

constexpr char kReference[] = "std::sort";

struct Name {
    std::string type, shape, sort;
};

// "int32/random/l_quicksort" -> {"int32", "random", "l_quicksort"}.
Name split_name(const std::string &name) {
    const std::size_t first = name.find('/');
    const std::size_t last = name.rfind('/');
    if (first == std::string::npos || first == last) return {std::string(), std::string(), name};
    return {name.substr(0, first), name.substr(first + 1, last - first - 1), name.substr(last + 1)};
}

void add_unique(std::vector<std::string> &list, const std::string &item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

}  // namespace

RatioReporter::RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Color : OO_None) {}

void RatioReporter::ReportRuns(const std::vector<Run> &runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
        times_.emplace_back(run.run_name.function_name, run.GetAdjustedCPUTime());
    }
}

void RatioReporter::PrintRatios() const {
    std::vector<std::string> shapes, columns;  // a column is "<type>/<sort>"
    for (const auto &entry : times_) {
        const Name n = split_name(entry.first);
        if (n.sort == kReference) continue;
        add_unique(shapes, n.shape);
        add_unique(columns, n.type + "/" + n.sort);
    }
    if (shapes.empty()) return;

    std::printf(
        "\nCPU time ratio to std::sort of (key, index) pairs by key: median of the rounds"
        " (lowest-highest); below 1: faster\n\n| shape |");
    for (const std::string &column : columns) std::printf(" %s |", column.c_str());
    std::printf("\n|---|");
    for (std::size_t c = 0; c < columns.size(); ++c) std::printf("---|");
    std::printf("\n");
    for (const std::string &shape : shapes) {
        std::printf("| %s |", shape.c_str());
        for (const std::string &column : columns) {
            const std::size_t slash = column.find('/');
            const std::string type = column.substr(0, slash);
            const std::string name = type + "/" + shape + "/" + column.substr(slash + 1);
            const std::string reference = type + "/" + shape + "/" + kReference;
            std::vector<double> times, reference_times, ratios;
            for (const auto &[run, time] : times_) {
                if (run == name) times.push_back(time);
                if (run == reference) reference_times.push_back(time);
            }
            for (std::size_t r = 0; r < std::min(times.size(), reference_times.size()); ++r) {
                if (reference_times[r] > 0.0) ratios.push_back(times[r] / reference_times[r]);
            }
            if (ratios.empty()) {
                std::printf(" - |");
                continue;
            }
            std::sort(ratios.begin(), ratios.end());
            const std::size_t mid = ratios.size() / 2;
            const double median =
                ratios.size() % 2 == 1 ? ratios[mid] : (ratios[mid - 1] + ratios[mid]) / 2.0;
            std::printf(" %.2f (%.2f-%.2f) |", median, ratios.front(), ratios.back());
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

}  // namespace bench
