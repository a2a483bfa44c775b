// A small, fast pseudo-random generator (splitmix64) for the inputs of tests and benchmarks:
// reproducible from its seed, quick enough to fill gigabytes, and good enough for shuffled
// coordinates.
#ifndef VARNOKE_RANDOM_SPLITMIX64_H
#define VARNOKE_RANDOM_SPLITMIX64_H

#include <cstdint>

namespace varnoke_random {

class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

    uint64_t below(uint64_t n) { return next() % n; }
    bool coin() { return (next() & 1) != 0; }

    // A double uniform in [0, 1), from the top 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    uint64_t state_;
};

}  // namespace varnoke_random

#endif
