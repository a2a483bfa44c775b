#include "vlr_walk.h"

#include <cstring>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"

namespace varnoke {

namespace {

constexpr char kLaszipUser[16] = "laszip encoded";
constexpr uint16_t kLaszipRecord = 22204;
constexpr char kProjectionUser[16] = "LASF_Projection";
constexpr uint16_t kGeoKeysRecord = 34735, kWktRecord = 2112;

}  // namespace

void note_projection(const unsigned char user[16], uint16_t record, const RecordAt &found,
                     VlrWalk &out) {
    // The user ID is NUL-padded to 16 bytes.
    if (std::memcmp(user, kProjectionUser, sizeof kProjectionUser) != 0) return;
    RecordAt *const slot = record == kGeoKeysRecord ? &out.geokeys
                           : record == kWktRecord   ? &out.wkt
                                                    : nullptr;
    if (slot != nullptr && !slot->found) *slot = found;
}

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
        note_projection(vlr + 2, load<uint16_t>(vlr, 18), RecordAt{true, payload, length}, out);
        ++out.walked;
        at = payload + length;
    }
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
