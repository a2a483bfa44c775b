#include "report_fields.h"

#include <cmath>

#include "json_text.h"
#include "number_text.h"

namespace varnoke_las {

bool is_las14(const varnoke_las_report &report) {
    return report.version_major > 1 || report.version_minor >= 4;
}

bool count_open(const varnoke_las_report &report) {
    return report.count_uncertain != 0 || report.records_most != report.records;
}

bool to_be_written(const FileResult &result) {
    if (result.outcome == Outcome::truncated) {
        // Nor a LAZ file without its chunk table, which no reader can use whatever its header.
        return result.stale != 0 && !count_open(result.report) &&
               (result.report.missing & VARNOKE_LAS_MISSING_CHUNK_TABLE) == 0;
    }
    return result.outcome == Outcome::stale || result.outcome == Outcome::repaired;
}

std::vector<Change> changes_of(const FileResult &result) {
    std::vector<Change> changes;
    if (!to_be_written(result)) return changes;
    const varnoke_las_report &r = result.report;
    const auto count = [&](std::string field, std::string key, uint64_t stored, uint64_t written,
                           bool stale) {
        if (stored == written) return;
        Change c;
        c.field = std::move(field);
        c.key = std::move(key);
        c.stored = stored;
        c.written = written;
        c.stale = stale;
        changes.push_back(std::move(c));
    };
    count("records", "records", r.stored_records, r.records, true);
    const int numbers = is_las14(r) ? 15 : 5;
    for (int k = 0; k < numbers; ++k) {
        const std::string n = std::to_string(k + 1);
        count("by return " + n, "records_by_return." + n, r.stored_records_by_return[k],
              r.records_by_return[k], true);
    }
    for (int k = 0; k < 6; ++k) {
        if (!box_bits_differ(r, k)) continue;
        Change c;
        c.field = std::string("box ") + kSideNames[k];
        c.key = std::string("box.") + kSideKeys[k];
        c.box = true;
        c.stored_box = r.stored_box[k];
        c.new_box = r.box[k];
        c.stale = (result.stale_sides >> k & 1u) != 0;
        changes.push_back(std::move(c));
    }
    if (is_las14(r)) {
        const bool stale = (result.stale & VARNOKE_LAS_STALE_LEGACY) != 0;
        count("legacy records", "legacy_records", r.stored_legacy_records, r.legacy_records, stale);
        for (int k = 0; k < 5; ++k) {
            const std::string n = std::to_string(k + 1);
            count("legacy by return " + n, "legacy_records_by_return." + n,
                  r.stored_legacy_records_by_return[k], r.legacy_records_by_return[k], stale);
        }
    }
    return changes;
}

void append_value(std::string &out, const Change &c, bool stored, bool json) {
    if (!c.box) {
        append_number(out, stored ? c.stored : c.written);
    } else if (json) {
        append_json_number(out, stored ? c.stored_box : c.new_box);
    } else {
        append_number(out, stored ? c.stored_box : c.new_box);
    }
}

double side_steps(const varnoke_las_report &report, int k) {
    return (report.stored_box[k] - report.box[k]) / std::fabs(report.scale[k / 2]);
}

}  // namespace varnoke_las
