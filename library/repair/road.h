// The road of one file, the same for every face: judge the header read through an open handle,
// scan the records through it, count, compare with the header, take a last look, write the
// header back. Each face only chooses its rules, opens the file and reports; the road prints
// nothing and returns a varnoke_las_status.
#ifndef VARNOKE_ROAD_H
#define VARNOKE_ROAD_H

#include <cstdint>

#include "declared_crs.h"
#include "file_io.h"
#include "header_values.h"
#include "judged_file.h"
#include "record_tally.h"
#include "workers.h"

namespace varnoke {

struct RoadRules {
    Scope scope = Scope::kAll;
    // The update: the LAS type validation found by name; the header read through the handle
    // must give the same (else kChangedSinceValidation). -2: nothing validated by name.
    int16_t validated_type = -2;
    bool write = false;           // write the header back
    bool only_if_stale = true;    // and only where it is stale (the update writes in any case)
    bool allow_truncated = true;  // write the header of a file that ends before what it declares
    bool strict = false;          // the warnings about the counts and the box are stale
    Workers workers;
};

// Where the header is written: through the handle read (no name), or through a handle opened at
// `where`, which must lead to the file read. `reported_name`, where set, is the name the write is
// reported under: it must still lead to the file written.
struct WriteTarget {
    FileName where;
    const char *reported_name = nullptr;
};

struct RoadResult {
    JudgedFile judged;
    PointTally tally;
    HeaderValues stored, counted;  // counted: the values a write puts in the header
    unsigned stale = 0;            // VARNOKE_LAS_STALE_* bits
    unsigned stale_sides = 0;      // of the box, bit k for side k
    bool truncated = false;        // found.missing: the file ends before what it declares
    bool count_uncertain = false;  // LAZ: the last chunk's bytes allow more than one count
    ScanFindings found;            // what the scan learned beside the tally, and what the
                                   // header places past the end of the file
    DeclaredCrs crs;               // the status functions' files only
    uint64_t warnings = 0;         // VARNOKE_LAS_WARN_* bits
    unsigned warning_sides = 0;    // of the box, bit k for side k: off, but not stale
    bool values = false;           // the stored and counted values, the stale bits are known
    bool written = false;
};

// Runs the road on the file open as `file` (for reading, or for update where the header is
// written through it). Returns VARNOKE_LAS_OK, kChangedSinceValidation, or the varnoke_las_status
// of the step that stopped; `out` holds what was learned up to there. Nothing is written unless
// every step before the write succeeded and the file is still as judged.
int run_road(File file, const WriteTarget &target, const RoadRules &rules, RoadResult &out);

// Why an open at `where` failed: a link where a walk found a file is VARNOKE_LAS_ERR_LINK.
int open_failure(const FileName &where, int otherwise);

namespace seam {
// Called, where set, after the scan and before the last look: the tests change the file there.
// Never set outside the tests.
extern void (*after_scan)(void *context);
extern void *after_scan_context;
}  // namespace seam

}  // namespace varnoke

#endif
