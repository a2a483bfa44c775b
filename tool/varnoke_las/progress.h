// Standard error while the files are judged: a progress line, redrawn in place, only when
// standard error is a terminal; and the one-line summary at the end.
#ifndef VARNOKE_LAS_PROGRESS_H
#define VARNOKE_LAS_PROGRESS_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "judgement.h"
#include "options.h"

namespace varnoke_las {

bool is_terminal(int fd);  // 1: standard output, 2: standard error

// The files and bytes of the whole run, counted ahead on a thread of its own by a second walk
// of the same PATHs (and of the --files-from list where it is a regular file: a pipe or standard
// input can be read only once). Nothing is held but the counts.
class Totals {
public:
    explicit Totals(const Options &options);
    ~Totals();
    Totals(const Totals &) = delete;
    Totals &operator=(const Totals &) = delete;

    uint64_t files() const { return files_.load(std::memory_order_relaxed); }
    uint64_t bytes() const { return bytes_.load(std::memory_order_relaxed); }
    // True once everything is counted; never where the list cannot be read twice.
    bool complete() const { return complete_.load(std::memory_order_acquire); }
    bool countable() const { return countable_; }

private:
    std::atomic<uint64_t> files_{0}, bytes_{0};
    std::atomic<bool> complete_{false}, stop_{false};
    bool countable_ = true;
    std::thread thread_;
};

class Progress {
public:
    // With `shown` false nothing is drawn and no totals are counted.
    explicit Progress(const Options &options, bool shown);
    bool shown() const { return shown_; }
    // A file was listed, or its line written (with its size in bytes).
    void listed() { ++listed_; }
    void file_done(uint64_t bytes);
    // Redraws the line if it is a fifth of a second old.
    void tick();
    // Removes the line, for a line of standard output on the same terminal or at the end.
    void erase();
    double seconds() const;

private:
    void draw();
    bool shown_;
    std::chrono::steady_clock::time_point start_, last_draw_;
    uint64_t listed_ = 0, files_done_ = 0, bytes_done_ = 0;
    std::size_t width_ = 0;  // of the line on the screen
    std::unique_ptr<Totals> totals_;
};

struct Tally {
    uint64_t ok = 0, stale = 0, repaired = 0, truncated = 0, uncertain = 0, refused = 0;
    void add(Outcome outcome) {
        uint64_t *const counts[] = {&ok, &stale, &repaired, &truncated, &uncertain, &refused};
        ++*counts[static_cast<int>(outcome)];
    }
};

// "varnoke-las: 20 files: 17 ok, 1 stale, 0 repaired, 0 truncated, 2 refused in 0.05 s"
// ("1 file: ..."); ", 1 uncertain" before "refused" where some LAZ file's count is ambiguous,
// with its newline.
std::string summary_line(const Tally &tally, double seconds);

}  // namespace varnoke_las

#endif
