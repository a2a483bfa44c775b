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
    if (judged.status != VARNOKE_LAS_OK) return judged.status;
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
    // Bit 7 (and bit 6, of older writers) of the point format mark compressed (LAZ) point data;
    // the other bits are the format.
    out.compressed = (out.point_format & 0xC0) != 0;
    out.point_format &= 0x3F;
    if (out.point_format > kHighestFormat[out.version_minor]) return VARNOKE_LAS_ERR_POINT_FORMAT;
    if (out.record_length < kFormatBytes[out.point_format]) return VARNOKE_LAS_ERR_RECORD_LENGTH;
    return VARNOKE_LAS_OK;
}

// Where the records of a LAS 1.0 to 1.4 file lie: from the offset to point data to the first of
// the end of the file, the extended VLRs and waveform data stored in the file after them. The
// header's own size bounds the variable-length records, which precede the point data; pointers
// that contradict each other refuse the file rather than let foreign bytes count as records.
int judge_extent(const unsigned char *head, uint64_t file_size, PointLayout &out) {
    const uint16_t declared_size = load<uint16_t>(head, at::kHeaderSize);
    // A header may be longer than its version's (the rest is the writer's), never shorter: a
    // shorter one has not all the fields its version places.
    if (declared_size < out.header_bytes) return VARNOKE_LAS_ERR_TOO_SHORT;
    out.vlr_start = declared_size;
    out.vlr_count = load<uint32_t>(head, at::kVlrCount);
    if (out.start < declared_size) return VARNOKE_LAS_ERR_DATA_IN_HEADER;
    if (out.start > file_size) return VARNOKE_LAS_ERR_DATA_PAST_END;
    out.end = file_size;
    const auto inside = [&](uint64_t at) { return at >= out.start && at <= file_size; };
    if (out.version_minor >= 3) {
        const uint64_t waveform = load<uint64_t>(head, at::kWaveformStart);
        // LAS 1.3 says by bit 1 of the global encoding that the waveform data is in the file;
        // LAS 1.4 deprecates the bit: a start other than zero says so there.
        const bool internal = out.version_minor == 3
                                  ? (load<uint16_t>(head, at::kGlobalEncoding) & 2) != 0
                                  : waveform != 0;
        if (internal) {
            if (!inside(waveform)) return VARNOKE_LAS_ERR_WAVEFORM_POINTER;
            out.end = std::min(out.end, waveform);
        } else if (waveform >= out.start && waveform < file_size) {
            // Waveform data said to be elsewhere, yet pointed to among the records.
            return VARNOKE_LAS_ERR_WAVEFORM_POINTER;
        }
    }
    if (out.version_minor >= 4 && load<uint32_t>(head, at::kEvlrCount) > 0) {
        const uint64_t evlr = load<uint64_t>(head, at::kEvlrStart);
        if (!inside(evlr)) return VARNOKE_LAS_ERR_EVLR_POINTER;
        out.end = std::min(out.end, evlr);
    }
    return VARNOKE_LAS_OK;
}

}  // namespace

int judge_layout(const unsigned char *head, std::size_t got, uint64_t file_size, Scope scope,
                 PointLayout &out) {
    out = PointLayout{};
    out.scope = scope;
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
    out.return_bits = out.point_format >= 6 ? 4 : 3;
    out.counts64 = out.version_minor >= 4;
    if (legacy) {
        if (out.start < out.header_bytes) return VARNOKE_LAS_ERR_DATA_IN_HEADER;
        if (out.start > file_size) return VARNOKE_LAS_ERR_DATA_PAST_END;
        out.end = file_size;
        return VARNOKE_LAS_OK;
    }
    return judge_extent(head, file_size, out);
    return VARNOKE_LAS_OK;
}

}  // namespace varnoke
