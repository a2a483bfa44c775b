// The LASzip VLR (user "laszip encoded", record 22204): how the point data is compressed.
#ifndef VARNOKE_LAZ_LASZIP_VLR_H
#define VARNOKE_LAZ_LASZIP_VLR_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "laz_status.h"

namespace varnoke::laz {

enum class ItemType : uint16_t {
    byte = 0,
    point10 = 6,
    gpstime11 = 7,
    rgb12 = 8,
    wavepacket13 = 9,
    point14 = 10,
    rgb14 = 11,
    rgbnir14 = 12,
    wavepacket14 = 13,
    byte14 = 14,
};

struct LazItem {
    uint16_t type = 0;
    uint16_t size = 0;
    uint16_t version = 0;
};

inline constexpr uint32_t kVariableChunkSize = 0xFFFFFFFFu;

struct LaszipVlr {
    uint16_t compressor = 0;  // 0 none, 1 pointwise, 2 pointwise chunked, 3 layered chunked
    uint16_t coder = 0;       // 0 arithmetic
    uint8_t version_major = 0;
    uint8_t version_minor = 0;
    uint16_t version_revision = 0;
    uint32_t options = 0;
    uint32_t chunk_size = 0;  // kVariableChunkSize: each chunk's count is in the table
    int64_t special_evlr_count = 0;
    int64_t special_evlr_offset = 0;
    std::vector<LazItem> items;
};

// Parses `payload` and checks it against the header's point format byte (bits 6 and 7 mark
// compression; the rest is the format) and record length.
LazStatus parse_laszip_vlr(std::span<const unsigned char> payload, uint8_t point_format_byte,
                           uint16_t record_length, LaszipVlr &vlr);

// Finds the LASzip VLR's payload among the `vlr_count` VLRs after the header of
// `header_size` bytes; `head` is the file's bytes up to the offset to the point data, which
// bounds the walk.
LazStatus find_laszip_vlr(std::span<const unsigned char> head, uint16_t header_size,
                          uint32_t vlr_count, std::span<const unsigned char> &payload);

}  // namespace varnoke::laz

#endif
