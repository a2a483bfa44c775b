// The variable-length records, walked by their declared number and lengths: those between the
// public header and the point data, none of which may run into the point data, and the extended
// ones after the point data, which must end inside the file.
#ifndef VARNOKE_VLR_WALK_H
#define VARNOKE_VLR_WALK_H

#include <cstddef>
#include <cstdint>

namespace varnoke {

// Reads up to `size` bytes at byte `position` of the file; the number read, or -1 on an error.
using ReadAt = int64_t (*)(void *context, uint64_t position, void *to, std::size_t size);

inline constexpr std::size_t kVlrHeaderBytes = 54;
inline constexpr std::size_t kEvlrHeaderBytes = 60;  // its payload's 64-bit length at byte 20

// Where a record's payload lies in the file.
struct RecordAt {
    bool found = false;
    uint64_t at = 0;
    uint64_t bytes = 0;
};

// The first GeoTIFF GeoKeyDirectory and OGC WKT records (user "LASF_Projection", records 34735
// and 2112) among the VLRs or the EVLRs.
struct ProjectionRecords {
    RecordAt geokeys, wkt;
};

struct VlrWalk {
    uint32_t walked = 0;  // VLRs whose headers lie before the point data
    // The LASzip VLR (user "laszip encoded", record 22204): where its payload starts, and its
    // length; 0 and 0 where there is none.
    uint64_t laszip_at = 0;
    uint16_t laszip_bytes = 0;
    ProjectionRecords projection;
};

// Walks `count` VLRs from byte `first` (the header's size), stopping early where the next one's
// header would not fit before `data_start`, so that a count too large refuses nothing. Returns
// VARNOKE_LAS_OK, VARNOKE_LAS_ERR_VLR_INTO_DATA where a VLR walked ends after `data_start`, or
// VARNOKE_LAS_ERR_READ.
int walk_vlrs(ReadAt read, void *context, uint64_t first, uint32_t count, uint64_t data_start,
              VlrWalk &out);

struct EvlrWalk {
    uint32_t walked = 0;           // EVLRs that end inside the file
    bool complete = true;          // false: one ends past the end of the file
    uint64_t missing_bytes = 0;    // then: the least that would have to follow the end for all
                                   // the EVLRs counted to be there (the rest by their headers)
    ProjectionRecords projection;  // among the EVLRs walked
};

// Walks `count` extended VLRs from byte `first` of a file of `file_size` bytes, reading the
// length of each payload, until one ends past the end of the file. Each step moves at least one
// EVLR header on, so the walk ends within the file's bytes whatever the count. Returns
// VARNOKE_LAS_OK or VARNOKE_LAS_ERR_READ.
int walk_evlrs(ReadAt read, void *context, uint64_t first, uint32_t count, uint64_t file_size,
               EvlrWalk &out);

}  // namespace varnoke

#endif
