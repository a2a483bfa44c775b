#include "progress.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "path_list.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace varnoke_las {

namespace fs = std::filesystem;

bool is_terminal(int fd) {
#if defined(_WIN32)
    return _isatty(fd) != 0;
#else
    return isatty(fd) != 0;
#endif
}

Totals::Totals(const Options &options) {
    std::FILE *list = nullptr;
    if (options.files_from) {
        std::error_code error;
        countable_ = *options.files_from != "-" && fs::is_regular_file(*options.files_from, error);
        if (countable_) list = std::fopen(options.files_from->c_str(), "rb");
        countable_ = list != nullptr;
    }
    thread_ = std::thread([this, list, paths = options.paths, null = options.null_separated] {
        PathList walk(paths, list, null);
        Entry entry;
        while (!stop_.load(std::memory_order_relaxed) && walk.next(entry)) {
            std::error_code error;
            const std::uintmax_t size = fs::file_size(entry.path, error);
            files_.fetch_add(1, std::memory_order_relaxed);
            if (!error) bytes_.fetch_add(size, std::memory_order_relaxed);
        }
        if (list != nullptr) std::fclose(list);
        if (countable_ && !stop_.load(std::memory_order_relaxed))
            complete_.store(true, std::memory_order_release);
    });
}

Totals::~Totals() {
    stop_.store(true, std::memory_order_relaxed);
    thread_.join();
}

Progress::Progress(const Options &options, bool shown)
    : shown_(shown), start_(std::chrono::steady_clock::now()), last_draw_(start_) {
    if (shown_) totals_ = std::make_unique<Totals>(options);
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

// "varnoke-las: 120/10000 files, 7.5/625.0 MiB, 512.3 MiB/s"; a total still growing ends in '+',
// and bytes that cannot be counted ahead have no total.
void Progress::draw() {
    const bool complete = totals_->complete();
    const uint64_t total_files = std::max(totals_->files(), listed_);
    constexpr double kMiB = 1024.0 * 1024.0;
    const double done = static_cast<double>(bytes_done_) / kMiB;
    const double elapsed = seconds();
    char line[160];
    int n = std::snprintf(line, sizeof line, "varnoke-las: %llu/%llu%s files, %.1f",
                          static_cast<unsigned long long>(files_done_),
                          static_cast<unsigned long long>(total_files), complete ? "" : "+", done);
    if (totals_->countable() && n > 0 && static_cast<std::size_t>(n) < sizeof line) {
        n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "/%.1f%s",
                           static_cast<double>(totals_->bytes()) / kMiB, complete ? "" : "+");
    }
    if (n > 0 && static_cast<std::size_t>(n) < sizeof line) {
        n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), " MiB, %.1f MiB/s",
                           elapsed > 0 ? done / elapsed : 0.0);
    }
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
    const uint64_t files = tally.ok + tally.stale + tally.repaired + tally.truncated +
                           tally.uncertain + tally.refused;
    char uncertain[40] = "";
    if (tally.uncertain > 0) {
        std::snprintf(uncertain, sizeof uncertain, " %llu uncertain,",
                      static_cast<unsigned long long>(tally.uncertain));
    }
    char line[280];
    std::snprintf(line, sizeof line,
                  "varnoke-las: %llu file%s: %llu ok, %llu stale, %llu repaired, %llu truncated,%s "
                  "%llu refused in %.2f s\n",
                  static_cast<unsigned long long>(files), files == 1 ? "" : "s",
                  static_cast<unsigned long long>(tally.ok),
                  static_cast<unsigned long long>(tally.stale),
                  static_cast<unsigned long long>(tally.repaired),
                  static_cast<unsigned long long>(tally.truncated), uncertain,
                  static_cast<unsigned long long>(tally.refused), seconds);
    return line;
}

}  // namespace varnoke_las
