#include "vlr_walk.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"

namespace varnoke {

namespace {

constexpr char kLaszipUser[16] = "laszip encoded";
constexpr uint16_t kLaszipRecord = 22204;
constexpr char kProjectionUser[16] = "LASF_Projection";
constexpr uint16_t kGeoKeysRecord = 34735, kWktRecord = 2112;

// a + b, or the largest value where the sum does not fit.
uint64_t sum_or_most(uint64_t a, uint64_t b) {
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                        : a + b;
}

// Notes the record whose header starts with `header` (user ID at byte 2, record ID at 18) and
// whose payload is `found`, where it is the first of one of the two kinds that declare a
// coordinate reference system.
void note_projection(const unsigned char *header, const RecordAt &found, ProjectionRecords &out) {
    // The user ID is NUL-padded to 16 bytes.
    if (std::memcmp(header + 2, kProjectionUser, sizeof kProjectionUser) != 0) return;
    const uint16_t record = load<uint16_t>(header, 18);
    RecordAt *const slot = record == kGeoKeysRecord ? &out.geokeys
                           : record == kWktRecord   ? &out.wkt
                                                    : nullptr;
    if (slot != nullptr && !slot->found) *slot = found;
}

}  // namespace

int walk_vlrs(ReadAt read, void *context, uint64_t first, uint32_t count, uint64_t data_start,
              VlrWalk &out) {
    out = VlrWalk{};
    uint64_t at = first;
    // Each step moves at least one VLR header on, so the walk ends within the header's bytes.
    for (uint32_t k = 0; k < count && at + kVlrHeaderBytes <= data_start; ++k) {
        unsigned char vlr[kVlrHeaderBytes];
        if (read(context, at, vlr, sizeof vlr) != static_cast<int64_t>(sizeof vlr)) {
            return VARNOKE_LAS_ERR_READ;
        }
        const uint64_t payload = at + kVlrHeaderBytes;
        const uint16_t length = load<uint16_t>(vlr, 20);
        if (payload + length > data_start) return VARNOKE_LAS_ERR_VLR_INTO_DATA;
        if (std::memcmp(vlr + 2, kLaszipUser, sizeof kLaszipUser) == 0 &&
            load<uint16_t>(vlr, 18) == kLaszipRecord && out.laszip_bytes == 0) {
            out.laszip_at = payload;
            out.laszip_bytes = length;
        }
        note_projection(vlr, RecordAt{true, payload, length}, out.projection);
        ++out.walked;
        at = payload + length;
    }
    return VARNOKE_LAS_OK;
}

int walk_evlrs(ReadAt read, void *context, uint64_t first, uint32_t count, uint64_t file_size,
               EvlrWalk &out) {
    out = EvlrWalk{};
    // The headers are read through a window of the file, so that many short EVLRs cost one read
    // and the walk costs no more than reading their bytes once.
    unsigned char window[16384];
    uint64_t window_at = 0;
    std::size_t window_bytes = 0;
    uint64_t at = first;
    for (uint32_t k = 0; k < count; ++k) {
        // The headers of the EVLRs after this one, at least.
        const uint64_t after = uint64_t{count - k - 1} * kEvlrHeaderBytes;
        uint64_t end = sum_or_most(at, kEvlrHeaderBytes);
        if (end <= file_size) {
            if (at < window_at || end > window_at + window_bytes) {
                const std::size_t want =
                    static_cast<std::size_t>(std::min<uint64_t>(sizeof window, file_size - at));
                const int64_t got = read(context, at, window, want);
                if (got < static_cast<int64_t>(kEvlrHeaderBytes)) return VARNOKE_LAS_ERR_READ;
                window_at = at;
                window_bytes = static_cast<std::size_t>(got);
            }
            const unsigned char *const header = window + (at - window_at);
            const uint64_t length = load<uint64_t>(header, 20);
            note_projection(header, RecordAt{true, end, length}, out.projection);
            end = sum_or_most(end, length);
        }
        if (end > file_size) {
            out.complete = false;
            out.missing_bytes = sum_or_most(end, after) - file_size;
            return VARNOKE_LAS_OK;
        }
        ++out.walked;
        at = end;
    }
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
