#include "point_layout.h"

#include <algorithm>
#include <cstring>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"
#include "header_checks.h"
#include "las_types.h"

namespace varnoke {

namespace {

// LAS 1.0 to 1.2 as validation judges them: the same rules, in the same order.
int judge_legacy(const unsigned char *head, std::size_t got, PointLayout &out) {
    if (got < sizeof(LAS12Header)) return VARNOKE_LAS_ERR_TOO_SHORT;
    LAS12Header header;
    std::memcpy(&header, head, sizeof header);
    const HeaderJudgement judged = judge_header(header, sizeof header);
    switch (judged.verdict) {
        case HeaderVerdict::kAccepted:
            break;
        case HeaderVerdict::kTooShort:
            return VARNOKE_LAS_ERR_TOO_SHORT;
        case HeaderVerdict::kNotLas:
            return VARNOKE_LAS_ERR_NOT_LAS;
        case HeaderVerdict::kMajorVersion:
        case HeaderVerdict::kMinorVersion:
            return VARNOKE_LAS_ERR_VERSION;
        case HeaderVerdict::kPointFormat:
            return VARNOKE_LAS_ERR_POINT_FORMAT;
        case HeaderVerdict::kRecordLength:
            return VARNOKE_LAS_ERR_RECORD_LENGTH;
    }
    out.las_type = judged.type;
    // Version 1.0 or 1.1 with point format 2 or 3: no record layout belongs to it.
    return judged.type == 0 ? VARNOKE_LAS_ERR_POINT_FORMAT : VARNOKE_LAS_OK;
}

// LAS 1.0 to 1.4, records at least as long as their format's fields.
int judge_any(const unsigned char *head, std::size_t got, PointLayout &out) {
    if (got < 4) return VARNOKE_LAS_ERR_TOO_SHORT;
    if (std::memcmp(head, "LASF", 4) != 0) return VARNOKE_LAS_ERR_NOT_LAS;
    if (got <= at::kVersionMinor) return VARNOKE_LAS_ERR_TOO_SHORT;
    if (out.version_major != 1 || out.version_minor >= kHeaderBytes.size()) {
        return VARNOKE_LAS_ERR_VERSION;
    }
    const std::size_t header_bytes = kHeaderBytes[out.version_minor];
    if (got < header_bytes) return VARNOKE_LAS_ERR_TOO_SHORT;
    // Bit 7 (and bit 6) of the point format mark compressed (LAZ) point data.
    if ((out.point_format & 0xC0) != 0) return VARNOKE_LAS_ERR_COMPRESSED;
    if (out.point_format > kHighestFormat[out.version_minor]) return VARNOKE_LAS_ERR_POINT_FORMAT;
    if (out.record_length < kFormatBytes[out.point_format]) return VARNOKE_LAS_ERR_RECORD_LENGTH;
    // LAS 1.3 and 1.4 place fields beyond the 227 bytes of older headers; a header that says it
    // is shorter than its version's has none of them. (An older header's size is not looked at,
    // as by the update.)
    if (out.version_minor >= 3 && load<uint16_t>(head, at::kHeaderSize) < header_bytes) {
        return VARNOKE_LAS_ERR_TOO_SHORT;
    }
    return VARNOKE_LAS_OK;
}

}  // namespace

int judge_layout(const unsigned char *head, std::size_t got, uint64_t file_size, Scope scope,
                 PointLayout &out) {
    out = PointLayout{};
    if (got > at::kVersionMinor) {
        out.version_major = head[at::kVersionMajor];
        out.version_minor = head[at::kVersionMinor];
    }
    if (got >= at::kRecordLength + 2) {
        out.point_format = head[at::kPointFormat];
        out.record_length = load<uint16_t>(head, at::kRecordLength);
    }
    const int judged =
        scope == Scope::kLegacy ? judge_legacy(head, got, out) : judge_any(head, got, out);
    if (judged != VARNOKE_LAS_OK) return judged;

    const bool legacy = scope == Scope::kLegacy;
    out.header_bytes = legacy ? sizeof(LAS12Header) : kHeaderBytes[out.version_minor];
    out.start = load<uint32_t>(head, at::kOffsetToData);
    if (out.start < out.header_bytes) return VARNOKE_LAS_ERR_DATA_IN_HEADER;
    if (out.start > file_size) return VARNOKE_LAS_ERR_DATA_PAST_END;

    out.return_bits = out.point_format >= 6 ? 4 : 3;
    out.counts64 = out.version_minor >= 4;
    // The records end at the end of the file, or sooner where LAS 1.3 and 1.4 store waveform
    // data or extended variable-length records after them.
    out.end = file_size;
    const auto ends_at = [&out](uint64_t start) {
        if (start > out.start && start < out.end) out.end = start;
    };
    if (!legacy && out.version_minor >= 3 && (load<uint16_t>(head, at::kGlobalEncoding) & 2) != 0) {
        ends_at(load<uint64_t>(head, at::kWaveformStart));
    }
    if (!legacy && out.version_minor >= 4 && load<uint32_t>(head, at::kEvlrCount) > 0) {
        ends_at(load<uint64_t>(head, at::kEvlrStart));
    }
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
