#include "header_checks.h"

#include <cstring>

#include "Varnoke_LiDAR.h"
#include "las_types.h"

namespace varnoke {

HeaderJudgement judge_header(const unsigned char *head, std::size_t got) {
    const auto have = [got](std::size_t offset, std::size_t width) {
        return got >= offset + width;
    };
    const auto rejected = [](int status) { return HeaderJudgement{status, -1}; };

    if (!have(at::kSignature, 4)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    if (std::memcmp(head + at::kSignature, "LASF", 4) != 0) {
        return rejected(VARNOKE_LAS_ERR_NOT_LAS);
    }
    if (!have(at::kVersionMajor, 1)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    if (head[at::kVersionMajor] != 1) return rejected(VARNOKE_LAS_ERR_VERSION);
    if (!have(at::kVersionMinor, 1)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    const uint8_t minor = head[at::kVersionMinor];
    if (minor > 2) return rejected(VARNOKE_LAS_ERR_VERSION);
    if (!have(at::kPointFormat, 1)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    const uint8_t format = head[at::kPointFormat];
    if (format > 3) return rejected(VARNOKE_LAS_ERR_POINT_FORMAT);
    if (!have(at::kRecordLength, 2)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    const uint16_t length = load<uint16_t>(head, at::kRecordLength);
    for (const LasType &row : kLasTypes) {
        if (row.version_minor != minor || row.point_format != format) continue;
        if (row.record_length != length) return rejected(VARNOKE_LAS_ERR_RECORD_LENGTH);
        return {VARNOKE_LAS_OK, row.type};
    }
    return {VARNOKE_LAS_OK, 0};  // version 1.0 or 1.1 with point format 2 or 3
}

}  // namespace varnoke
