// The road of one file, the same for every face: judge the header read through an open handle,
// scan the records through it, count, compare with the header, take a last look, write the
// header back. Each face only chooses its policy, opens the file and reports; the road prints
// nothing and returns a varnoke_las_status, with what only the update tells apart beside it.
#ifndef VARNOKE_ROAD_H
#define VARNOKE_ROAD_H

#include <cstdint>
#include <optional>

#include "declared_crs.h"
#include "file_io.h"
#include "header_values.h"
#include "judged_file.h"
#include "record_tally.h"
#include "workers.h"

namespace varnoke {

// Called, where set, after the scan and before the last look of a write: the tests change the
// file there.
struct AfterScan {
    void (*call)(void *context) = nullptr;
    void *context = nullptr;
};

// What a face allows the road, one value a call: the files it takes, the rules it judges their
// values by, whether and when it writes, and the threads it reads with. By default the status
// functions' check.
struct RoadPolicy {
    LayoutRules layout = LayoutRules::kAllVersions;
    ValueRules values;
    // The CRS the file declares and the warnings of its header and its return numbers, for the
    // status functions' report.
    bool crs_and_warnings = true;
    // The update: the LAS type validation found by name; the header read through the handle
    // must give the same (else RoadOutcome::changed_since_validation).
    std::optional<int16_t> validated_type;
    bool write = false;           // write the header back
    bool only_if_stale = true;    // and only where it is stale (the update writes in any case)
    bool allow_truncated = true;  // write the header of a file that ends before what it declares
    Workers workers;
    AfterScan after_scan;  // the tests' hook; null in production
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
    DeclaredCrs crs;               // where the policy asks for the CRS and the warnings
    uint64_t warnings = 0;         // VARNOKE_LAS_WARN_* bits
    unsigned warning_sides = 0;    // of the box, bit k for side k: off, but not stale
    bool values = false;           // the stored and counted values, the stale bits are known
    bool written = false;
};

// How the road ended. No value of its own shares the public statuses: what only the update
// tells apart is a flag beside them, so that it can reach no report and no sentence.
struct RoadOutcome {
    int status = VARNOKE_LAS_OK;  // or the varnoke_las_status of the step that stopped
    // The header read through the handle is not the one validation accepted by name (the name
    // may have been given to another file since); status is then VARNOKE_LAS_ERR_CHANGED.
    bool changed_since_validation = false;
};

// Runs the road on the file open as `file` (for reading, or for update where the header is
// written through it) as `policy` allows; `out` holds what was learned up to where it stopped.
// Nothing is written unless every step before the write succeeded and the file is still as
// judged.
RoadOutcome run_road(File file, const WriteTarget &target, const RoadPolicy &policy,
                     RoadResult &out);

// Why an open at `where` failed: a link where a walk found a file is VARNOKE_LAS_ERR_LINK.
int open_failure(const FileName &where, int otherwise);

}  // namespace varnoke

#endif
