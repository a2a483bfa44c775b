// The road of one file: validate, open for update, read and judge the header through that
// handle, scan the records through it, convert the extremes, write the header back, report.
#include "header_update.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "Varnoke_LiDAR.h"
#include "box_conversion.h"
#include "file_io.h"
#include "header_for_update.h"
#include "messages.h"
#include "point_scan.h"

namespace varnoke {

namespace {

// Raw extremes stored when the file holds no point record.
constexpr int32_t kEmptyMaxXY = -2147483646;
constexpr int32_t kEmptyMinXY = 2147483646;
constexpr int32_t kEmptyMaxZ = -10000000;
constexpr int32_t kEmptyMinZ = 10000000;

void store_counts(LAS12Header &header, const PointTally &tally) {
    header.NumberOfPointReturns = static_cast<uint32_t>(tally.records);
    for (int k = 0; k < 5; ++k) {
        header.NumberOfPointsByReturn[k] = static_cast<uint32_t>(tally.by_return[k + 1]);
    }
}

void store_box(LAS12Header &header, const PointTally &tally) {
    const bool empty = tally.records == 0;
    const int32_t max_x = empty ? kEmptyMaxXY : tally.max[0];
    const int32_t min_x = empty ? kEmptyMinXY : tally.min[0];
    const int32_t max_y = empty ? kEmptyMaxXY : tally.max[1];
    const int32_t min_y = empty ? kEmptyMinXY : tally.min[1];
    const int32_t max_z = empty ? kEmptyMaxZ : tally.max[2];
    const int32_t min_z = empty ? kEmptyMinZ : tally.min[2];
    header.MaxX = to_world(max_x, header.XScaleFactor, header.XOffset);
    header.MinX = to_world(min_x, header.XScaleFactor, header.XOffset);
    header.MaxY = to_world(max_y, header.YScaleFactor, header.YOffset);
    header.MinY = to_world(min_y, header.YScaleFactor, header.YOffset);
    header.MaxZ = to_world(max_z, header.ZScaleFactor, header.ZOffset);
    header.MinZ = to_world(min_z, header.ZScaleFactor, header.ZOffset);
}

int fail(const char *message, const char *filename) {
    std::printf(message, filename);
    return -1;
}

// The last look before the write: the header bytes, the size and the time of the last change,
// read through the handle written through, must be those judged before the scan. Another
// program that truncated, rewrote or copied over the file meanwhile is seen here, and nothing
// is written. Only a change in the moment between this look and the write escapes it.
bool unchanged_since_read(std::FILE *f, const HeaderForUpdate &read, bool &read_failed) {
    FileState now;
    LAS12Header header;
    read_failed = !file_state(f, now);
    if (read_failed) return false;
    const int64_t got = read_at(f, 0, &header, sizeof header);
    read_failed = got < 0;
    return got == static_cast<int64_t>(sizeof header) &&
           std::memcmp(&header, &read.as_read, sizeof header) == 0 && now.size == read.state.size &&
           now.modified_ns == read.state.modified_ns;
}

}  // namespace

int update_header_status(const char *filename, const AfterScan &after_scan) {
    const int16_t las_type = check_las(filename);
    if (las_type < 0) return -1;

    File file = open_without_waiting(filename, "r+b");
    if (!file) return fail(msg::kCannotOpenForUpdate, filename);

    HeaderForUpdate read;
    const UpdateRefusal refusal = read_header_for_update(file.get(), las_type, read);
    if (refusal != UpdateRefusal::kNone) {
        print_refusal(refusal, filename, read.header);
        return -1;
    }
    LAS12Header &header = read.header;

    PointTally tally;
    switch (scan_points(file.get(), header.OffsetToData, read.record_length, tally)) {
        case ScanStatus::kDone:
            break;
        case ScanStatus::kReadError:
            return fail(msg::kReadError, filename);
        case ScanStatus::kNoMemory:
            return fail(msg::kNoMemory, filename);
    }
    if (tally.records > std::numeric_limits<uint32_t>::max()) {
        return fail(msg::kTooManyRecords, filename);
    }

    store_counts(header, tally);
    store_box(header, tally);

    if (after_scan) after_scan();
    bool read_failed = false;
    if (!unchanged_since_read(file.get(), read, read_failed)) {
        return fail(read_failed ? msg::kReadError : msg::kChangedWhileRead, filename);
    }
    // Nothing has been written so far; this is the only write, and only the first 227 bytes.
    if (!seek_to(file.get(), 0) || std::fwrite(&header, sizeof header, 1, file.get()) != 1 ||
        !flush_sync_close(std::move(file))) {
        return fail(msg::kCannotWrite, filename);
    }
    return 0;
}

}  // namespace varnoke

extern "C" void update_header(const char *filename) {
    if (varnoke::update_header_status(filename) != 0) std::exit(-1);
    std::printf(varnoke::msg::kUpdated, filename);
}
