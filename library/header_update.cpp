// The road of one file: validate, open for update, read and judge the header through that
// handle, scan the records through it, convert the extremes, write the header back, report.
#include "header_update.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

}  // namespace

int update_header_status(const char *filename) {
    const int16_t las_type = check_las(filename);
    if (las_type < 0) return -1;

    File file = open_file(filename, "r+b");
    if (!file) return fail("\nCannot open binary file %s for header update\n\n", filename);

    HeaderForUpdate read;
    if (!read_header_for_update(file.get(), filename, las_type, read)) return -1;
    LAS12Header &header = read.header;

    PointTally tally;
    switch (scan_points(file.get(), header.OffsetToData, read.record_length, tally)) {
        case ScanStatus::kDone:
            break;
        case ScanStatus::kReadError:
            return fail(kReadErrorMessage, filename);
        case ScanStatus::kNoMemory:
            return fail("\nCannot allocate memory for storing a record of information from %s\n",
                        filename);
    }
    if (tally.records > std::numeric_limits<uint32_t>::max()) {
        return fail(
            "\nFile %s holds more than 4294967295 point records; its header cannot count them\n",
            filename);
    }

    store_counts(header, tally);
    store_box(header, tally);

    // Nothing has been written so far; this is the only write, and only the first 227 bytes.
    if (!seek_to(file.get(), 0) || std::fwrite(&header, sizeof header, 1, file.get()) != 1 ||
        !flush_sync_close(std::move(file))) {
        return fail("\nCannot write the updated header of %s\n", filename);
    }
    return 0;
}

}  // namespace varnoke

extern "C" void update_header(const char *filename) {
    if (varnoke::update_header_status(filename) != 0) std::exit(-1);
    std::printf("\rHeader of file %s has been updated    ", filename);
}
