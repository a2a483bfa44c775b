#include "ratio_reporter.h"

#include <unistd.h>

#include <cstdio>

namespace bench {

namespace {

constexpr char kReference[] = "std::sort";

// "int32/random/l_quicksort" -> {"int32/random", "l_quicksort"}.
std::pair<std::string, std::string> split_name(const std::string &name) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos) return {std::string(), name};
    return {name.substr(0, slash), name.substr(slash + 1)};
}

// "int32/random" -> "int32, random".
std::string readable(std::string group) {
    for (std::size_t at = group.find('/'); at != std::string::npos; at = group.find('/', at)) {
        group.replace(at, 1, ", ");
    }
    return group;
}

}  // namespace

RatioReporter::RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Color : OO_None) {}

void RatioReporter::ReportRuns(const std::vector<Run> &runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
        real_times_.emplace_back(run.run_name.function_name, run.GetAdjustedRealTime());
    }
}

void RatioReporter::PrintRatios() const {
    bool any = false;
    for (const auto &[name, time] : real_times_) {
        const auto [group, sort] = split_name(name);
        if (sort == kReference) continue;
        for (const auto &[other, reference_time] : real_times_) {
            if (other != group + "/" + kReference || reference_time <= 0.0) continue;
            if (!any) std::printf("\nTime ratios (real time; below 1 is faster than std::sort)\n");
            any = true;
            std::printf("ratio %s/%s (%s): %.2f\n", sort.c_str(), kReference,
                        readable(group).c_str(), time / reference_time);
            break;
        }
    }
    std::fflush(stdout);
}

}  // namespace bench
