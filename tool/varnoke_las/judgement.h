// One file judged: the library's check or repair, and what the tool makes of the report.
#ifndef VARNOKE_LAS_JUDGEMENT_H
#define VARNOKE_LAS_JUDGEMENT_H

#include <cstdint>
#include <string>

#include "Varnoke_LiDAR.h"
#include "options.h"
#include "path_list.h"

namespace varnoke_las {

enum class Outcome { ok, stale, repaired, truncated, uncertain, refused };

// The word a result line starts with: "ok", "stale", ...
const char *result_word(Outcome outcome);

struct FileResult {
    std::string path;
    int status = 0;               // the library's status, or the entry's refusal
    varnoke_las_report report{};  // zeros where nothing was read
    unsigned stale = 0;          // the report's stale bits, the box judged bit for bit with --exact
    unsigned stale_sides = 0;    // of the box, bit k for side k, judged the same way
    uint64_t warnings = 0;       // VARNOKE_LAS_WARN_* bits, where the values are known; with
                                 // --exact none about the box where it is stale
    unsigned warning_sides = 0;  // of the box: off, but not stale
    Outcome outcome = Outcome::refused;
    uint64_t bytes = 0;   // the file's size, measured only for the progress line
    bool reused = false;  // taken from an earlier report (--since), the file not read
    bool strict = false, exact = false;  // the rules it was judged by
};

// True where the stored extreme `k` of the box differs from the computed one in any bit.
bool box_bits_differ(const varnoke_las_report &report, int k);

// The stale bits with the box judged bit for bit against the computed box: the box counts only
// where there are records or the counts are stale (a file without records has no extremes,
// but a repair of its counts writes the box too).
unsigned exact_stale_bits(const varnoke_las_report &report);

class EarlierReport;

// Judges one entry with the library, `call` giving its threads (the flags are set here); where
// `earlier` holds a result for the file as it still is, that result without reading the file.
FileResult judge(Entry entry, const Options &options, const varnoke_las_options &call,
                 bool measure_size, const EarlierReport *earlier = nullptr);

// What the tool makes of `result`'s status and report under `options`: the stale bits and sides
// (bit for bit with --exact), the warnings, the outcome.
void interpret(FileResult &result, const Options &options);

}  // namespace varnoke_las

#endif
