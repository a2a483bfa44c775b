// What the text and JSON lines both read off a file's result: the names of the box's sides and of
// what a cut-off file lacks, every field a repair writes differently, and how far a side that is
// off lies from the computed one.
#ifndef VARNOKE_LAS_REPORT_FIELDS_H
#define VARNOKE_LAS_REPORT_FIELDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "judgement.h"

namespace varnoke_las {

// The sides of the box in the report's order: "MaxX", ... in the text lines, "max_x", ... in
// JSON.
inline constexpr const char *kSideNames[6] = {"MaxX", "MinX", "MaxY", "MinY", "MaxZ", "MinZ"};
inline constexpr const char *kSideKeys[6] = {"max_x", "min_x", "max_y", "min_y", "max_z", "min_z"};
// The axes of the scale factors and offsets, in JSON.
inline constexpr const char *kAxisKeys[3] = {"x", "y", "z"};

// What a cut-off file lacks: in the text lines, and in JSON.
struct Missing {
    unsigned bit;
    const char *text, *key;
};
inline constexpr Missing kMissing[] = {
    {VARNOKE_LAS_MISSING_RECORDS, "point records", "records"},
    {VARNOKE_LAS_MISSING_CHUNK_TABLE, "LAZ chunk table", "chunk_table"},
    {VARNOKE_LAS_MISSING_EVLRS, "extended VLRs", "evlrs"},
    {VARNOKE_LAS_MISSING_WAVEFORM, "waveform data", "waveform"},
};

// One field whose bytes a repair writes differently: what it is, as stored and as written, and
// whether the stored value is stale or only rewritten in passing with the rest.
struct Change {
    std::string field;  // "records", "by return 3", "box MaxX", "legacy records", ...
    std::string key;    // the same for JSON: "records", "records_by_return.3", "box.max_x", ...
    double stored_box = 0, new_box = 0;
    uint64_t stored = 0, written = 0;
    bool box = false;
    bool stale = true;
};

// Whether the bytes leave the count open above `records`: a LAZ file's last chunk allows more
// than one count (records_most the largest), or a LAZ file was cut inside its chunks
// (records_most the largest count there is, no bound).
bool count_open(const varnoke_las_report &report);

// Whether a repair writes the file: stale, or truncated (with --allow-truncated) with values
// to write, a count that is known and its LAZ chunk table there.
bool to_be_written(const FileResult &result);

// Every field a repair of the file writes differently, in the order of the header: the count,
// the counts by return number, the box, LAS 1.4's legacy count and counts by return. Nothing
// where the file is not to be written.
std::vector<Change> changes_of(const FileResult &result);

// The stored or the written value of `c`; a real as JSON writes it where `json`.
void append_value(std::string &out, const Change &c, bool stored, bool json);

// How far stored side `k` of the box lies from the computed one, in steps of its axis' scale
// factor: (stored - computed) / |scale|, positive where the stored side lies above.
double side_steps(const varnoke_las_report &report, int k);

bool is_las14(const varnoke_las_report &report);

}  // namespace varnoke_las

#endif
