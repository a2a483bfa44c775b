#include "vlr_walk.h"

#include <cstring>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"

namespace varnoke {

namespace {

constexpr char kLaszipUser[16] = "laszip encoded";
constexpr uint16_t kLaszipRecord = 22204;

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
        ++out.walked;
        at = payload + length;
    }
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
