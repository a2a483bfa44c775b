// A full decode of LAZ files by laz-perf's C++ reader, the native outside reference of the LAZ
// benchmark. Not built by this project: laz-perf is not packaged in Debian. With a checkout of
// laz-perf built in LP/build (cmake -S LP -B LP/build -DCMAKE_BUILD_TYPE=Release):
//   g++ -O2 -std=c++17 -I LP/cpp/lazperf -I LP/cpp full_decode.cpp LP/build/cpp/liblazperf_s.a
// prints, per file, its points and the seconds of reading every point after the file is open.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "readers.hpp"

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        lazperf::reader::named_file file(argv[i]);
        const uint64_t points = file.pointCount();
        char record[512];
        uint64_t first_returns = 0;
        const auto begin = std::chrono::steady_clock::now();
        for (uint64_t p = 0; p < points; ++p) {
            file.readPoint(record);
            // The return number, so that no decode can be left out.
            const unsigned r =
                file.header().pointFormat() >= 6 ? (record[14] & 15) : (record[14] & 7);
            first_returns += r == 1;
        }
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        std::printf("%s: %llu points, %llu first returns, %.3f s, %.2f M points/s\n", argv[i],
                    static_cast<unsigned long long>(points),
                    static_cast<unsigned long long>(first_returns), s, points / s / 1e6);
    }
}
