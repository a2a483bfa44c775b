#include "point_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"
#include "header_checks.h"
#include "las_types.h"
#include "vlr_walk.h"

namespace varnoke {

namespace {

// LAS 1.0 to 1.2 as validation judges them: the same rules, in the same order.
int judge_legacy(const unsigned char *head, std::size_t got, PointLayout &out) {
    if (got < kHeaderBytes[0]) return VARNOKE_LAS_ERR_TOO_SHORT;
    const HeaderJudgement judged = judge_header(head, got);
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

// a + b, or the largest value where the sum does not fit: a bound that stays a bound.
uint64_t sum_or_most(uint64_t a, uint64_t b) {
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                        : a + b;
}

// Where the records the header declares end: the offset to point data plus the count times the
// record length (LAS 1.4: the 64-bit count).
uint64_t declared_end(const unsigned char *head, const PointLayout &out) {
    const uint64_t count =
        out.counts64 ? load<uint64_t>(head, at::kCount) : load<uint32_t>(head, at::kLegacyCount);
    const uint64_t length = out.record_length;  // never 0: at least its format's fields
    if (count > (std::numeric_limits<uint64_t>::max() - out.start) / length) {
        return std::numeric_limits<uint64_t>::max();
    }
    return out.start + count * length;
}

// Where the records of a LAS 1.0 to 1.4 file lie: from the offset to point data to the first of
// the end of the file and the structures the header places after them, the extended VLRs and
// waveform data stored in the file. The header's own size bounds the variable-length records,
// which precede the point data. A structure placed past the end of the file is missing, as in
// a cut-off file; pointers that contradict the header refuse the file rather than let foreign
// bytes count as records or a complete file look cut off.
int judge_extent(const unsigned char *head, uint64_t file_size, PointLayout &out) {
    const uint16_t declared_size = load<uint16_t>(head, at::kHeaderSize);
    // A header may be longer than its version's (the rest is the writer's), never shorter: a
    // shorter one has not all the fields its version places.
    if (declared_size < out.header_bytes) return VARNOKE_LAS_ERR_TOO_SHORT;
    out.vlr_start = declared_size;
    out.vlr_count = load<uint32_t>(head, at::kVlrCount);
    if (out.start < declared_size) return VARNOKE_LAS_ERR_DATA_IN_HEADER;
    if (out.start > file_size) return VARNOKE_LAS_ERR_DATA_PAST_END;
    // The first structure placed after the records, inside the file or not.
    uint64_t next = std::numeric_limits<uint64_t>::max();
    const auto missing = [&](unsigned what, uint64_t its_end) {
        out.missing |= what;
        out.missing_bytes = std::max(out.missing_bytes, its_end - file_size);
    };
    if (out.version_minor >= 3) {
        const uint64_t waveform = load<uint64_t>(head, at::kWaveformStart);
        // LAS 1.3 says by bit 1 of the global encoding that the waveform data is in the file;
        // LAS 1.4 deprecates the bit: a start other than zero says so there.
        const bool internal = out.version_minor == 3
                                  ? (load<uint16_t>(head, at::kGlobalEncoding) & 2) != 0
                                  : waveform != 0;
        if (internal) {
            if (waveform < out.start) return VARNOKE_LAS_ERR_WAVEFORM_POINTER;
            next = std::min(next, waveform);
            if (waveform > file_size) missing(VARNOKE_LAS_MISSING_WAVEFORM, waveform);
        } else if (waveform >= out.start && waveform < file_size) {
            // Waveform data said to be elsewhere, yet pointed to among the records.
            return VARNOKE_LAS_ERR_WAVEFORM_POINTER;
        }
    }
    if (out.version_minor >= 4) {
        const uint64_t evlr = load<uint64_t>(head, at::kEvlrStart);
        const uint32_t count = load<uint32_t>(head, at::kEvlrCount);
        if (count == 0) {
            // "If there are no EVLRs, this value must be zero." Some writers put the end of
            // their data there; past the end nothing is declared, so nothing is missing.
            if (evlr != 0 && evlr < file_size) return VARNOKE_LAS_ERR_EVLR_UNCOUNTED;
        } else {
            if (evlr < out.start) return VARNOKE_LAS_ERR_EVLR_POINTER;
            next = std::min(next, evlr);
            if (evlr > file_size) {
                // Each EVLR counted has its header at least.
                missing(VARNOKE_LAS_MISSING_EVLRS,
                        sum_or_most(evlr, uint64_t{count} * kEvlrHeaderBytes));
            } else {
                out.evlr_start = evlr;
                out.evlr_count = count;
            }
        }
    }
    out.end = std::min(file_size, next);
    // Compressed points have no record length that places their end.
    if (!out.compressed) {
        const uint64_t declared = declared_end(head, out);
        // The header declares records where it places another structure.
        if (declared > next) return VARNOKE_LAS_ERR_RECORDS_OVERLAP;
        if (declared > file_size) missing(VARNOKE_LAS_MISSING_RECORDS, declared);
    }
    return VARNOKE_LAS_OK;
}

}  // namespace

int judge_layout(const unsigned char *head, std::size_t got, uint64_t file_size, LayoutRules rules,
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
    const bool legacy = rules == LayoutRules::kLegacyTypes;
    const int judged = legacy ? judge_legacy(head, got, out) : judge_any(head, got, out);
    if (judged != VARNOKE_LAS_OK) return judged;

    out.header_bytes = kHeaderBytes[out.version_minor];
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
}

}  // namespace varnoke
