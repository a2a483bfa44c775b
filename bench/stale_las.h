// Writes LAS 1.2 files of random points under a stale header, and keeps what the header should
// say once it has been repaired.
#ifndef VARNOKE_BENCH_STALE_LAS_H
#define VARNOKE_BENCH_STALE_LAS_H

#include <array>
#include <cstdint>
#include <string>

namespace bench {

// The scale factor of every axis and the offsets written into each header.
inline constexpr double kScale = 0.01;
inline constexpr std::array<double, 3> kOffset{500000.0, 4000000.0, 100.0};

// What the records of a written file hold.
struct LasTruth {
    uint64_t points = 0;
    std::array<uint64_t, 5> by_return{};  // records with return number 1 to 5
    std::array<int32_t, 3> raw_min{};     // X, Y, Z
    std::array<int32_t, 3> raw_max{};
};

// Replaces `path` with a LAS 1.2 file of point format `point_format` (0 to 3): a 227-byte header
// whose point count, counts by return and box are wrong, then as many random records as fit in
// `size_bytes`. The data is on the disk when this returns. Throws std::runtime_error on failure.
LasTruth write_stale_las(const std::string &path, uint8_t point_format, uint64_t size_bytes,
                         uint64_t seed);

}  // namespace bench

#endif
