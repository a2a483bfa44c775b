#include "header_checks.h"

#include <cstring>

#include "las_types.h"

namespace varnoke {

HeaderJudgement judge_header(const LAS12Header &head, std::size_t got) {
    const auto have = [got](std::size_t offset, std::size_t width) {
        return got >= offset + width;
    };
    const auto rejected = [](int status) { return HeaderJudgement{status, -1}; };

    if (!have(offsetof(LAS12Header, LASF), 4)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    if (std::memcmp(head.LASF, "LASF", 4) != 0) return rejected(VARNOKE_LAS_ERR_NOT_LAS);
    if (!have(offsetof(LAS12Header, VersionMajor), 1)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    if (head.VersionMajor != 1) return rejected(VARNOKE_LAS_ERR_VERSION);
    if (!have(offsetof(LAS12Header, VersionMinor), 1)) return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    if (head.VersionMinor > 2) return rejected(VARNOKE_LAS_ERR_VERSION);
    if (!have(offsetof(LAS12Header, PointDataFormatID), 1)) {
        return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    }
    if (head.PointDataFormatID > 3) return rejected(VARNOKE_LAS_ERR_POINT_FORMAT);
    if (!have(offsetof(LAS12Header, PointDataRecordLength), 2)) {
        return rejected(VARNOKE_LAS_ERR_TOO_SHORT);
    }
    for (const LasType &row : kLasTypes) {
        if (row.version_minor != head.VersionMinor || row.point_format != head.PointDataFormatID)
            continue;
        if (row.record_length != head.PointDataRecordLength) {
            return rejected(VARNOKE_LAS_ERR_RECORD_LENGTH);
        }
        return {VARNOKE_LAS_OK, row.type};
    }
    return {VARNOKE_LAS_OK, 0};  // version 1.0 or 1.1 with point format 2 or 3
}

}  // namespace varnoke
