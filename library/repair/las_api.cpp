// The status face: the road with the rules of LAS 1.0 to 1.4, reported in a varnoke_las_report
// of the caller's size; nothing printed, nothing ended.
#include "las_api.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "header_bytes.h"
#include "road.h"
#include "status_text.h"

namespace varnoke {

namespace {

// What was learned of the file before the scan: its state, its version, its layout.
void report_layout(const JudgedFile &judged, varnoke_las_report &report) {
    const PointLayout &layout = judged.layout;
    report.known = judged.known;
    if ((judged.known & VARNOKE_LAS_KNOWN_FILE) != 0) {
        report.file_device = judged.state.device;
        report.file_inode = judged.state.inode;
        report.file_size = static_cast<uint64_t>(judged.state.size);
        report.file_modified_ns = judged.state.modified_ns;
        report.file_status_changed_ns = judged.state.status_changed_ns;
    }
    if ((judged.known & VARNOKE_LAS_KNOWN_LAYOUT) != 0) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            report.scale[axis] = load<double>(judged.header, at::kScale + 8 * axis);
            report.offset[axis] = load<double>(judged.header, at::kOffset + 8 * axis);
        }
    }
    report.version_major = layout.version_major;
    report.version_minor = layout.version_minor;
    report.point_format = layout.point_format;
    report.record_length = layout.record_length;
    report.compressed = layout.compressed ? 1 : 0;
    report.point_data_start = layout.start;
    report.point_data_end = layout.end;
}

void report_values(const RoadResult &road, varnoke_las_report &report) {
    const HeaderValues &stored = road.stored, &counted = road.counted;
    const PointLayout &layout = road.judged.layout;
    report.records = road.tally.records;
    report.stored_records = stored.records;
    for (std::size_t k = 0; k < 15; ++k) {
        report.records_by_return[k] = road.tally.by_return[k + 1];
        report.stored_records_by_return[k] = stored.by_return[k];
    }
    for (std::size_t side = 0; side < 6; ++side) {
        report.box[side] = counted.box[side];
        report.stored_box[side] = stored.box[side];
    }
    report.stale = road.stale;
    report.truncated = road.truncated ? 1 : 0;
    report.stale_box_sides = road.stale_sides;
    report.count_uncertain = road.count_uncertain ? 1 : 0;
    report.records_most = road.found.exact ? road.tally.records : road.found.most_records;
    report.missing = road.found.missing;
    report.warnings = road.warnings;
    report.warning_box_sides = road.warning_sides;
    report.records_return_zero = road.tally.by_return[0];
    report.records_return_above = road.tally.return_above;
    report.missing_bytes = road.found.missing_bytes;
    // Compressed points have no records to be cut inside.
    report.trailing_bytes =
        layout.compressed ? 0 : (layout.end - layout.start) % layout.record_length;
    // Before LAS 1.4 the legacy fields are the counts themselves.
    const bool own = layout.counts64;
    report.stored_legacy_records = own ? stored.legacy_records : stored.records;
    report.legacy_records = own ? counted.legacy_records : counted.records;
    for (std::size_t k = 0; k < 5; ++k) {
        report.stored_legacy_records_by_return[k] =
            own ? stored.legacy_by_return[k] : stored.by_return[k];
        report.legacy_records_by_return[k] =
            own ? counted.legacy_by_return[k] : counted.by_return[k];
    }
}

// The options as the caller's record holds them, up to its size; the rest as by default.
bool read_options(const varnoke_las_options *given, varnoke_las_options &options) {
    options = varnoke_las_options{};
    options.size = sizeof options;
    if (given == nullptr) return true;
    if (given->size < offsetof(varnoke_las_options, threads) + sizeof(unsigned)) return false;
    std::memcpy(&options, given, std::min(given->size, sizeof options));
    return true;
}

}  // namespace

int judge_file(const FileName &where, const varnoke_las_options *given, varnoke_las_report *report,
               std::size_t report_size, bool repair, AfterScan after_scan) {
    varnoke_las_options options;
    if (where.name == nullptr || report == nullptr || report_size < VARNOKE_LAS_REPORT_SIZE_0_2 ||
        !read_options(given, options)) {
        return VARNOKE_LAS_ERR_ARGUMENT;
    }
    // One name in a folder: a link on the way to it would be followed.
    if (where.folder != kByPath && std::strchr(where.name, '/') != nullptr) {
        return VARNOKE_LAS_ERR_ARGUMENT;
    }
    varnoke_las_report full{};
    RoadResult road;
    int status = VARNOKE_LAS_ERR_OPEN;
    File file = open_named(where, "rb");
    if (!file) {
        status = open_failure(where, VARNOKE_LAS_ERR_OPEN);
        if (status == VARNOKE_LAS_ERR_OPEN && leads_to_non_regular(where)) {
            status = VARNOKE_LAS_ERR_NOT_REGULAR;
        }
    } else {
        // LAS 1.0 to 1.4 with their CRS and warnings, a box of zeros without records; a repair
        // writes only a stale header.
        RoadPolicy policy;
        policy.write = repair;
        policy.allow_truncated = (options.flags & VARNOKE_LAS_ALLOW_TRUNCATED) != 0;
        policy.values.strict = (options.flags & VARNOKE_LAS_STRICT) != 0;
        if (options.threads != 0) policy.workers.threads = options.threads;
        policy.workers.run = options.run;
        policy.workers.pool = options.pool;
        policy.workers.stop = options.stop;
        policy.workers.stop_arg = options.stop_arg;
        policy.after_scan = after_scan;
        WriteTarget target;
        target.where = where;
        // The update's own outcome never comes from this policy, which validates nothing.
        status = run_road(std::move(file), target, policy, road).status;
        report_layout(road.judged, full);
        full.crs_source = road.crs.source;
        full.crs_epsg = road.crs.crs.epsg;
        full.crs_vertical_epsg = road.crs.crs.vertical;
        full.crs_units = road.crs.crs.units;
        // Values are reported once they were all counted, whether or not a write followed.
        if (road.values) {
            report_values(road, full);
            full.known |= VARNOKE_LAS_KNOWN_VALUES;
        }
        full.written = road.written ? 1 : 0;
    }
    // Not a byte past the caller's record.
    std::memcpy(report, &full, std::min(report_size, sizeof full));
    return status;
}

}  // namespace varnoke

namespace varnoke {
namespace {

FileName by_path(const char *path) {
    return FileName{kByPath, path};
}

// A name in an open folder; none on Windows, where the path functions keep their rules.
FileName in_folder(int folder, const char *name) {
#if defined(_WIN32)
    (void)folder, (void)name;
    return FileName{kByPath, nullptr};
#else
    return FileName{folder < 0 ? kByPath : folder, folder < 0 ? nullptr : name};
#endif
}

}  // namespace
}  // namespace varnoke

extern "C" {

int varnoke_las_check_ex(const char *path, const varnoke_las_options *options,
                         varnoke_las_report *report, size_t report_size) {
    return varnoke::judge_file(varnoke::by_path(path), options, report, report_size, false);
}

int varnoke_las_repair_ex(const char *path, const varnoke_las_options *options,
                          varnoke_las_report *report, size_t report_size) {
    return varnoke::judge_file(varnoke::by_path(path), options, report, report_size, true);
}

int varnoke_las_check_at(int dirfd, const char *name, const varnoke_las_options *options,
                         varnoke_las_report *report, size_t report_size) {
    return varnoke::judge_file(varnoke::in_folder(dirfd, name), options, report, report_size,
                               false);
}

int varnoke_las_repair_at(int dirfd, const char *name, const varnoke_las_options *options,
                          varnoke_las_report *report, size_t report_size) {
    return varnoke::judge_file(varnoke::in_folder(dirfd, name), options, report, report_size, true);
}

int varnoke_las_check(const char *path, varnoke_las_report *report) {
    return varnoke::judge_file(varnoke::by_path(path), nullptr, report, VARNOKE_LAS_REPORT_SIZE_0_2,
                               false);
}

int varnoke_las_repair(const char *path, varnoke_las_report *report) {
    return varnoke::judge_file(varnoke::by_path(path), nullptr, report, VARNOKE_LAS_REPORT_SIZE_0_2,
                               true);
}

const char *varnoke_las_strerror(int status) {
    const varnoke::StatusText *const row = varnoke::status_text(status);
    return row == nullptr ? "unknown status" : row->sentence;
}

}  // extern "C"
