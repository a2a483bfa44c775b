// Brings a file into the page cache by reading it once from start to end.
#ifndef VARNOKE_BENCH_PAGE_CACHE_H
#define VARNOKE_BENCH_PAGE_CACHE_H

#include <cstdint>
#include <string>

namespace bench {

// Reads all of `path` and returns the number of bytes read. Throws std::runtime_error on failure.
uint64_t read_through(const std::string &path);

}  // namespace bench

#endif
