// Checks that a repaired header says what the file's records hold.
#ifndef VARNOKE_BENCH_HEADER_CHECK_H
#define VARNOKE_BENCH_HEADER_CHECK_H

#include <string>

#include "stale_las.h"

namespace bench {

// An empty string when the header of `path` holds the point count and counts by return of
// `truth` exactly and its box within a relative 1e-12 of raw x scale + offset (rounding may
// differ in the last bit); otherwise what is wrong.
std::string check_header(const std::string &path, const LasTruth &truth);

}  // namespace bench

#endif
