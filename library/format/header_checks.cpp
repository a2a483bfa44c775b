#include "header_checks.h"

#include <cstring>

#include "las_types.h"

namespace varnoke {

HeaderJudgement judge_header(const LAS12Header &head, std::size_t got) {
    const auto have = [got](std::size_t offset, std::size_t width) {
        return got >= offset + width;
    };
    const auto rejected = [](HeaderVerdict verdict) { return HeaderJudgement{verdict, -1}; };

    if (!have(offsetof(LAS12Header, LASF), 4)) return rejected(HeaderVerdict::kTooShort);
    if (std::memcmp(head.LASF, "LASF", 4) != 0) return rejected(HeaderVerdict::kNotLas);
    if (!have(offsetof(LAS12Header, VersionMajor), 1)) return rejected(HeaderVerdict::kTooShort);
    if (head.VersionMajor != 1) return rejected(HeaderVerdict::kMajorVersion);
    if (!have(offsetof(LAS12Header, VersionMinor), 1)) return rejected(HeaderVerdict::kTooShort);
    if (head.VersionMinor > 2) return rejected(HeaderVerdict::kMinorVersion);
    if (!have(offsetof(LAS12Header, PointDataFormatID), 1)) {
        return rejected(HeaderVerdict::kTooShort);
    }
    if (head.PointDataFormatID > 3) return rejected(HeaderVerdict::kPointFormat);
    if (!have(offsetof(LAS12Header, PointDataRecordLength), 2)) {
        return rejected(HeaderVerdict::kTooShort);
    }
    for (const LasType &row : kLasTypes) {
        if (row.version_minor != head.VersionMinor || row.point_format != head.PointDataFormatID)
            continue;
        if (row.record_length != head.PointDataRecordLength) {
            return rejected(HeaderVerdict::kRecordLength);
        }
        return {HeaderVerdict::kAccepted, row.type};
    }
    return {HeaderVerdict::kAccepted, 0};  // version 1.0 or 1.1 with point format 2 or 3
}

}  // namespace varnoke
