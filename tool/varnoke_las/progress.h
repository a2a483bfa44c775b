// Standard error while the files are judged: a progress line, redrawn in place, only when
// standard error is a terminal; and the one-line summary at the end.
#ifndef VARNOKE_LAS_PROGRESS_H
#define VARNOKE_LAS_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <string>

#include "judgement.h"
#include "options.h"

namespace varnoke_las {

bool is_terminal(int fd);  // 1: standard output, 2: standard error

class Progress {
public:
    // With `shown` false nothing is drawn. The files are counted as they are listed: the total
    // ends in '+' until the listing is complete.
    explicit Progress(const Options &options, bool shown);
    bool shown() const { return shown_; }
    // A file was listed, or its line written (with its size in bytes).
    void listed() { ++listed_; }
    void list_complete() { complete_ = true; }
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
    bool complete_ = false;
};

struct Tally {
    uint64_t ok = 0, stale = 0, repaired = 0, truncated = 0, uncertain = 0, refused = 0;
    uint64_t with_warnings = 0;  // files of any result with at least one warning
    void add(const FileResult &result) {
        uint64_t *const counts[] = {&ok, &stale, &repaired, &truncated, &uncertain, &refused};
        ++*counts[static_cast<int>(result.outcome)];
        if (result.warnings != 0) ++with_warnings;
    }
};

// "varnoke-las: 20 files: 17 ok, 1 stale, 0 repaired, 0 truncated, 2 refused, 5 with warnings
// in 0.05 s" ("1 file: ..."); ", 1 uncertain" before "refused" where some LAZ file's count is
// ambiguous, with its newline.
std::string summary_line(const Tally &tally, double seconds);

}  // namespace varnoke_las

#endif
