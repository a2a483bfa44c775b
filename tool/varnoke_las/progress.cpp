#include "progress.h"

#include <algorithm>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace varnoke_las {

bool is_terminal(int fd) {
#if defined(_WIN32)
    return _isatty(fd) != 0;
#else
    return isatty(fd) != 0;
#endif
}

Progress::Progress(const Options &options, bool shown)
    : shown_(shown), start_(std::chrono::steady_clock::now()), last_draw_(start_) {
    (void)options;
}

void Progress::file_done(uint64_t bytes) {
    ++files_done_;
    bytes_done_ += bytes;
}

double Progress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::tick() {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ < std::chrono::milliseconds(200)) return;
    last_draw_ = now;
    draw();
}

// "varnoke-las: 120/10000 files, 7.5 MiB, 512.3 MiB/s"; a total still growing ends in '+'.
void Progress::draw() {
    constexpr double kMiB = 1024.0 * 1024.0;
    const double done = static_cast<double>(bytes_done_) / kMiB;
    const double elapsed = seconds();
    char line[160];
    const int n = std::snprintf(
        line, sizeof line, "varnoke-las: %llu/%llu%s files, %.1f MiB, %.1f MiB/s",
        static_cast<unsigned long long>(files_done_), static_cast<unsigned long long>(listed_),
        complete_ ? "" : "+", done, elapsed > 0 ? done / elapsed : 0.0);
    if (n <= 0) return;
    const std::size_t width = std::min(static_cast<std::size_t>(n), sizeof line - 1);
    std::fprintf(stderr, "\r%s%*s", line, static_cast<int>(width_ > width ? width_ - width : 0),
                 "");
    std::fflush(stderr);
    width_ = width;
}

void Progress::erase() {
    if (!shown_ || width_ == 0) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
    std::fflush(stderr);
    width_ = 0;
}

std::string summary_line(const Tally &tally, double seconds) {
    const uint64_t files =
        tally.ok + tally.stale + tally.repaired + tally.truncated + tally.uncertain + tally.refused;
    char uncertain[40] = "";
    if (tally.uncertain > 0) {
        std::snprintf(uncertain, sizeof uncertain, " %llu uncertain,",
                      static_cast<unsigned long long>(tally.uncertain));
    }
    char line[280];
    std::snprintf(line, sizeof line,
                  "varnoke-las: %llu file%s: %llu ok, %llu stale, %llu repaired, %llu truncated,%s "
                  "%llu refused, %llu with warnings in %.2f s\n",
                  static_cast<unsigned long long>(files), files == 1 ? "" : "s",
                  static_cast<unsigned long long>(tally.ok),
                  static_cast<unsigned long long>(tally.stale),
                  static_cast<unsigned long long>(tally.repaired),
                  static_cast<unsigned long long>(tally.truncated), uncertain,
                  static_cast<unsigned long long>(tally.refused),
                  static_cast<unsigned long long>(tally.with_warnings), seconds);
    return line;
}

}  // namespace varnoke_las
