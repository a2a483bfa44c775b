// Checking and repairing without printing or exiting: the same judgement, scan and conversion as
// the header update, reported in a record and a status.
#include "las_inspect.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "file_io.h"
#include "header_values.h"
#include "judged_file.h"

namespace varnoke {

namespace {

void report_layout(const PointLayout &layout, varnoke_las_report &report) {
    report.version_major = layout.version_major;
    report.version_minor = layout.version_minor;
    report.point_format = layout.point_format;
    report.record_length = layout.record_length;
    report.point_data_start = layout.start;
    report.point_data_end = layout.end;
}

void report_values(const HeaderValues &stored, const HeaderValues &counted, const PointTally &tally,
                   varnoke_las_report &report) {
    report.records = tally.records;
    report.stored_records = stored.records;
    for (std::size_t k = 0; k < 15; ++k) {
        report.records_by_return[k] = tally.by_return[k + 1];
        report.stored_records_by_return[k] = stored.by_return[k];
    }
    for (std::size_t side = 0; side < 6; ++side) {
        report.box[side] = counted.box[side];
        report.stored_box[side] = stored.box[side];
    }
}

// Why an open failed: a link where the walk found a file is named as such.
int open_failure(const FileName &where, int otherwise) {
    return where.folder != kByPath && errno == ELOOP ? VARNOKE_LAS_ERR_LINK : otherwise;
}

}  // namespace

int inspect(const char *path, varnoke_las_report *report, bool repair,
            const AfterScan &after_scan) {
    return inspect_named(FileName{kByPath, path}, report, repair, after_scan);
}

int inspect_named(const FileName &where, varnoke_las_report *report, bool repair,
                  const AfterScan &after_scan) {
    if (where.name == nullptr || report == nullptr) return VARNOKE_LAS_ERR_ARGUMENT;
    // One name in a folder: a link on the way to it would be followed.
    if (where.folder != kByPath && std::strchr(where.name, '/') != nullptr) {
        return VARNOKE_LAS_ERR_ARGUMENT;
    }
    *report = varnoke_las_report{};

    File file = open_named(where, "rb");
    if (!file) return open_failure(where, VARNOKE_LAS_ERR_OPEN);
    JudgedFile judged;
    int status = read_and_judge(file.get(), Scope::kAll, judged);
    report_layout(judged.layout, *report);
    if (status != VARNOKE_LAS_OK) return status;

    const PointLayout &layout = judged.layout;
    PointTally tally;
    status = scan_records(file.get(), judged, tally);
    if (status != VARNOKE_LAS_OK) return status;
    HeaderValues counted;
    status = counted_values(judged.header, layout, tally, counted);
    if (status != VARNOKE_LAS_OK) return status;
    const HeaderValues stored = stored_values(judged.header, layout);
    report_values(stored, counted, tally, *report);
    report->trailing_bytes = (layout.end - layout.start) % layout.record_length;
    report->stale = stale_bits(judged.header, layout, tally, stored, counted);
    // What was counted must be what the file held while it was read.
    status = still_as_judged(file.get(), judged);
    if (status != VARNOKE_LAS_OK || !repair || report->stale == 0) return status;
    if (after_scan) after_scan();

    // Only a stale header is written, through a handle that must lead to the same file.
    File update = open_named(where, "r+b");
    if (!update) return open_failure(where, VARNOKE_LAS_ERR_OPEN_WRITE);
    unsigned char header[kMostHeaderBytes];
    std::memcpy(header, judged.header, sizeof header);
    store_values(header, layout, counted);
    status = write_header(std::move(update), judged, header);
    report->written = status == VARNOKE_LAS_OK;
    return status;
}

}  // namespace varnoke
