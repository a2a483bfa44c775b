#include "road.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "Varnoke_LiDAR.h"
#include "laz_scan.h"
#include "point_scan.h"

namespace varnoke {

namespace {

// The update stops at a header other than the one validation accepted by name: the name may
// have been given to another file since. Read errors and short files say so themselves.
RoadOutcome against_validation(int status, const RoadPolicy &policy, const JudgedFile &judged) {
    if (!policy.validated_type || status == VARNOKE_LAS_ERR_READ ||
        status == VARNOKE_LAS_ERR_TOO_SHORT) {
        return {status};
    }
    if (judged.layout.las_type != *policy.validated_type) return {VARNOKE_LAS_ERR_CHANGED, true};
    return {status};
}

// Tallies the records the judged header lays out: plain records, or LAZ chunks.
int scan_records(std::FILE *f, const JudgedFile &judged, const Workers &workers, PointTally &tally,
                 ScanFindings &found) {
    const PointLayout &layout = judged.layout;
    found = ScanFindings{};
    if (layout.compressed) {
        try {
            return scan_laz(f, judged, workers, tally, found);
        } catch (const std::bad_alloc &) {
            return VARNOKE_LAS_ERR_NO_MEMORY;
        }
    }
    const ScanRange range{layout.start, layout.end, layout.record_length, layout.return_bits};
    return scan_points(f, range, workers, tally);
}

// Where the last LAZ chunk's bytes allow several counts and the header's is one of them: if the
// header is right for the points that count gives, nothing shows it wrong. It is then judged
// right, with a warning that its count could not be proven; the report keeps the range.
void unproven_but_right(const JudgedFile &judged, const ValueRules &rules, RoadResult &out) {
    HeaderValues at_stored;
    if (counted_values(judged.header, judged.layout, out.found.at_stored, rules, at_stored) !=
        VARNOKE_LAS_OK) {
        return;
    }
    const ValueVerdicts verdicts = judge_values(judged.header, judged.layout, out.found.at_stored,
                                                out.stored, at_stored, rules);
    if (verdicts.stale != 0) return;
    out.count_uncertain = false;
    out.stale = 0;
    out.stale_sides = 0;
    // The warnings of the values are those of the count the header holds.
    constexpr uint64_t kValueWarnings =
        VARNOKE_LAS_WARN_BOX_IMPRECISE | VARNOKE_LAS_WARN_LEGACY_SET | VARNOKE_LAS_WARN_EMPTY_BOX;
    out.warnings =
        (out.warnings & ~kValueWarnings) | verdicts.warnings | VARNOKE_LAS_WARN_COUNT_UNPROVEN;
    out.warning_sides = verdicts.warning_sides;
}

// Writes the first `bytes` of `header` over the start of the file, if the file is still as it
// was judged (the last look); flushes, syncs and closes the handle in every case.
int write_header(File file, const JudgedFile &judged, const unsigned char *header) {
    const int look = still_as_judged(file.get(), judged);
    if (look != VARNOKE_LAS_OK) return look;
    // Nothing has been written so far; this is the only write, and only the header's bytes.
    const std::size_t bytes = judged.layout.header_bytes;
    if (!seek_to(file.get(), 0) || std::fwrite(header, 1, bytes, file.get()) != bytes ||
        !flush_sync_close(std::move(file))) {
        return VARNOKE_LAS_ERR_WRITE;
    }
    return VARNOKE_LAS_OK;
}

// Adds to what the scan found lacking what the header places past the end of the file: the
// structures judged by their pointers, and an EVLR walked that ends past it.
void add_missing(const JudgedFile &judged, ScanFindings &found) {
    const PointLayout &layout = judged.layout;
    found.missing |= layout.missing;
    found.missing_bytes = std::max(found.missing_bytes, layout.missing_bytes);
    if (!judged.evlrs.complete) {
        found.missing |= VARNOKE_LAS_MISSING_EVLRS;
        found.missing_bytes = std::max(found.missing_bytes, judged.evlrs.missing_bytes);
    }
}

}  // namespace

int open_failure(const FileName &where, int otherwise) {
    return where.folder != kByPath && errno == ELOOP ? VARNOKE_LAS_ERR_LINK : otherwise;
}

RoadOutcome run_road(File file, const WriteTarget &target, const RoadPolicy &policy,
                     RoadResult &out) {
    JudgedFile &judged = out.judged;
    const RoadOutcome judgement =
        against_validation(read_and_judge(file.get(), policy.layout, judged), policy, judged);
    if (judgement.status != VARNOKE_LAS_OK) return judgement;
    int status = VARNOKE_LAS_OK;
    if (policy.crs_and_warnings) {
        status = read_declared_crs(file.get(), judged, out.crs);
        if (status != VARNOKE_LAS_OK) return {status};
        out.warnings |= out.crs.warnings;
    }

    status = scan_records(file.get(), judged, policy.workers, out.tally, out.found);
    if (status != VARNOKE_LAS_OK) {
        // Bytes that do not decode may be a file changed under the scan: the change is blamed
        // where the last look sees it.
        if (status != VARNOKE_LAS_ERR_STOPPED && status != VARNOKE_LAS_ERR_NO_MEMORY &&
            still_as_judged(file.get(), judged) == VARNOKE_LAS_ERR_CHANGED) {
            return {VARNOKE_LAS_ERR_CHANGED};
        }
        return {status};
    }
    add_missing(judged, out.found);
    // Cut off: the file ends before something its header declares, whatever its count.
    out.truncated = out.found.missing != 0;
    out.count_uncertain = !out.found.exact && !out.truncated;
    const PointLayout &layout = judged.layout;
    status = counted_values(judged.header, layout, out.tally, policy.values, out.counted);
    if (status != VARNOKE_LAS_OK) return {status};
    out.stored = stored_values(judged.header, layout);
    // Where the bytes give only a least count, what the header holds is held to it only where
    // a reader is misled (no warnings, nothing strict): a LAZ file cut inside its first chunk
    // is not an empty file.
    ValueRules rules = policy.values;
    if (!out.found.exact) rules.strict = false;
    const ValueVerdicts verdicts =
        judge_values(judged.header, layout, out.tally, out.stored, out.counted, rules);
    out.stale = verdicts.stale;
    out.stale_sides = verdicts.stale_sides;
    if (policy.crs_and_warnings) {
        if (out.found.exact) {
            out.warnings |= verdicts.warnings;
            out.warning_sides = verdicts.warning_sides;
        }
        if (out.tally.by_return[0] > 0) out.warnings |= VARNOKE_LAS_WARN_RETURN_ZERO;
        if (out.tally.return_above > 0) out.warnings |= VARNOKE_LAS_WARN_RETURN_ABOVE;
    }
    if (out.count_uncertain && out.found.stored_allowed) {
        unproven_but_right(judged, policy.values, out);
    }
    out.values = true;

    // What was counted must be what the file held while it was read.
    status = still_as_judged(file.get(), judged);
    if (status != VARNOKE_LAS_OK || !policy.write) return {status};
    // A cut-off file is refused even where its header is right for what is left; a LAZ file
    // without its chunk table always, as no reader can use it whatever its header says.
    if (out.truncated &&
        (!policy.allow_truncated || (out.found.missing & VARNOKE_LAS_MISSING_CHUNK_TABLE) != 0)) {
        return {VARNOKE_LAS_ERR_TRUNCATED};
    }
    if (policy.only_if_stale && out.stale == 0) return {status};
    // A count the bytes leave ambiguous is never written.
    if (out.count_uncertain) return {VARNOKE_LAS_ERR_COUNT_UNCERTAIN};
    if (policy.after_scan.call != nullptr) policy.after_scan.call(policy.after_scan.context);

    if (target.reported_name != nullptr && !name_leads_to(target.reported_name, judged.state)) {
        return {VARNOKE_LAS_ERR_CHANGED};
    }
    if (target.where.name != nullptr) {
        // The file is opened for writing only now that it is known to need it; the last look
        // makes sure the new handle leads to the file judged.
        file = open_named(target.where, "r+b");
        if (!file) return {open_failure(target.where, VARNOKE_LAS_ERR_OPEN_WRITE)};
    }
    unsigned char header[kMostHeaderBytes];
    std::memcpy(header, judged.header, sizeof header);
    store_values(header, layout, out.counted);
    status = write_header(std::move(file), judged, header);
    out.written = status == VARNOKE_LAS_OK;
    return {status};
}

}  // namespace varnoke
