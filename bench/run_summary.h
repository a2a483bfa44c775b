// Median, minimum and maximum of repeated measurements.
#ifndef VARNOKE_BENCH_RUN_SUMMARY_H
#define VARNOKE_BENCH_RUN_SUMMARY_H

#include <vector>

namespace bench {

struct Summary {
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
};

// The summary of `samples` (all zero when there are none); the median of an even number of
// samples is the mean of the middle two.
Summary summarize(std::vector<double> samples);

}  // namespace bench

#endif
