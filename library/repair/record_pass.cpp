#include "record_pass.h"

#include "Varnoke_LiDAR.h"
#include "point_scan.h"

namespace varnoke {

int scan_records(std::FILE *f, const JudgedFile &judged, PointTally &tally) {
    const PointLayout &layout = judged.layout;
    const ScanRange range{layout.start, layout.end, layout.record_length, layout.return_bits};
    switch (scan_points(f, range, tally)) {
        case ScanStatus::kDone:
            return VARNOKE_LAS_OK;
        case ScanStatus::kReadError:
            return VARNOKE_LAS_ERR_READ;
        case ScanStatus::kNoMemory:
            break;
    }
    return VARNOKE_LAS_ERR_NO_MEMORY;
}

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

}  // namespace varnoke
