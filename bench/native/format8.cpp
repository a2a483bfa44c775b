// Writes the points of a LAS file of format 3 as LAZ 1.4 of format 8 (layered compression) in
// chunks of CHUNK points, with laz-perf's writer: the benchmark's layered file of realistic
// chunks, which bench/laz_make.py cannot make (it only repeats chunks a writer made). The NIR
// channel is derived from red and green. Built as full_decode.cpp is;
//   format8 IN.las OUT.laz CHUNK
// The writer leaves the counts by return at zero and the legacy count set: `varnoke-las repair`
// puts them right before the file is timed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "writers.hpp"

namespace {
template <typename T>
T at(const std::vector<char> &b, std::size_t offset) {
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}
}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: format8 IN.las OUT.laz CHUNK\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> b((std::istreambuf_iterator<char>(in)), {});
    if (b.size() < 227 || (b[104] & 0x3F) != 3) {
        std::fprintf(stderr, "format8: %s is not a LAS file of point format 3\n", argv[1]);
        return 1;
    }
    const uint32_t start = at<uint32_t>(b, 96);
    const uint16_t length = at<uint16_t>(b, 105);
    const uint32_t count = at<uint32_t>(b, 107);
    if (length < 34 || start + uint64_t{count} * length > b.size()) return 1;
    lazperf::writer::named_file::config c(
        {at<double>(b, 131), at<double>(b, 139), at<double>(b, 147)},
        {at<double>(b, 155), at<double>(b, 163), at<double>(b, 171)},
        static_cast<unsigned>(std::atoi(argv[3])));
    c.pdrf = 8;
    c.minor_version = 4;
    c.extra_bytes = 0;
    lazperf::writer::named_file out(argv[2], c);
    char q[38];
    for (uint32_t i = 0; i < count; ++i) {
        const char *p = b.data() + start + std::size_t{i} * length;
        const auto flags = static_cast<uint8_t>(p[14]);
        std::memset(q, 0, sizeof q);
        std::memcpy(q, p, 14);                                               // X, Y, Z, intensity
        q[14] = static_cast<char>((flags & 7) | (((flags >> 3) & 7) << 4));  // return, returns
        q[15] = static_cast<char>(flags & 0xC0);  // scan direction, edge of flight line
        q[16] = p[15];                            // classification
        q[17] = p[17];                            // user data
        const auto angle = static_cast<int16_t>(static_cast<int8_t>(p[16]) * 166);
        std::memcpy(q + 18, &angle, 2);
        std::memcpy(q + 20, p + 18, 16);  // point source, GPS time, red, green, blue
        const uint16_t red = at<uint16_t>(b, start + std::size_t{i} * length + 28);
        const uint16_t green = at<uint16_t>(b, start + std::size_t{i} * length + 30);
        const auto nir = static_cast<uint16_t>((red / 2 + green / 2) ^ (i & 0x3F));
        std::memcpy(q + 36, &nir, 2);
        out.writePoint(q);
    }
    out.close();
    std::printf("%s: %u points of format 8\n", argv[2], count);
}
