// The header update as the tool does it, with the system's messages: validate, open for update,
// read and judge the header through that handle, scan the records through it, convert the
// extremes, take a last look, write the header back, report.
#include "header_update.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "Varnoke_LiDAR.h"
#include "file_io.h"
#include "header_bytes.h"
#include "header_values.h"
#include "messages.h"
#include "record_pass.h"

namespace varnoke {

namespace {

int fail(const char *message, const char *filename) {
    std::printf(message, filename);
    return -1;
}

// Prints why the update stops; true, for the caller to return.
bool refuse(const char *message, const char *filename) {
    std::printf(message, filename);
    return true;
}

}  // namespace

bool refused_for_update(int status, int16_t validated_type, const JudgedFile &judged,
                        const char *filename) {
    switch (status) {
        case VARNOKE_LAS_ERR_READ:
            return refuse(msg::kReadError, filename);
        case VARNOKE_LAS_ERR_TOO_SHORT:
            return refuse(msg::kTooShort, filename);
        default:
            break;
    }
    // Validation opened the file by name; the name may have been given to another file since.
    // Everything validation decided was decided again on these bytes, the ones that are written.
    if (judged.layout.las_type != validated_type) {
        return refuse(msg::kChangedSinceValidation, filename);
    }
    const unsigned char *h = judged.header;
    const auto offset = static_cast<unsigned>(load<uint32_t>(h, at::kOffsetToData));
    switch (status) {
        case VARNOKE_LAS_OK:
            return false;
        case VARNOKE_LAS_ERR_POINT_FORMAT:  // type 0, as validated: no record layout
            std::printf(msg::kNoRecordLayout, filename, '0' + h[at::kPointFormat],
                        '0' + h[at::kVersionMajor], '0' + h[at::kVersionMinor]);
            return true;
        case VARNOKE_LAS_ERR_DATA_IN_HEADER:
            std::printf(msg::kDataInsideHeader, filename, offset);
            return true;
        case VARNOKE_LAS_ERR_DATA_PAST_END:
            std::printf(msg::kDataPastTheEnd, filename, offset);
            return true;
        default:
            return refuse(msg::kChangedSinceValidation, filename);
    }
}

int update_header_status(const char *filename, const AfterScan &after_scan) {
    const int16_t las_type = check_las(filename);
    if (las_type < 0) return -1;

    File file = open_without_waiting(filename, "r+b");
    if (!file) return fail(msg::kCannotOpenForUpdate, filename);

    JudgedFile judged;
    const int status = read_and_judge(file.get(), Scope::kLegacy, judged);
    if (refused_for_update(status, las_type, judged, filename)) return -1;

    PointTally tally;
    const int scanned = scan_records(file.get(), judged, tally);
    if (scanned != VARNOKE_LAS_OK) {
        return fail(scanned == VARNOKE_LAS_ERR_NO_MEMORY ? msg::kNoMemory : msg::kReadError,
                    filename);
    }
    HeaderValues counted;
    if (counted_values(judged.header, judged.layout, tally, counted) != VARNOKE_LAS_OK) {
        return fail(msg::kTooManyRecords, filename);
    }
    unsigned char header[kMostHeaderBytes];
    std::memcpy(header, judged.header, sizeof header);
    store_values(header, judged.layout, counted);

    if (after_scan) after_scan();
    // The update is reported under the name: it must still lead to the file that is written.
    if (!name_leads_to(filename, judged.state)) return fail(msg::kChangedWhileRead, filename);
    switch (write_header(std::move(file), judged, header)) {
        case VARNOKE_LAS_OK:
            return 0;
        case VARNOKE_LAS_ERR_CHANGED:
            return fail(msg::kChangedWhileRead, filename);
        case VARNOKE_LAS_ERR_READ:
            return fail(msg::kReadError, filename);
        default:
            return fail(msg::kCannotWrite, filename);
    }
}

}  // namespace varnoke

extern "C" void update_header(const char *filename) {
    if (varnoke::update_header_status(filename) != 0) std::exit(-1);
    std::printf(varnoke::msg::kUpdated, filename);
}
