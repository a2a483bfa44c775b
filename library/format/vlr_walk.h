// The variable-length records between the public header and the point data, walked by their
// declared number and lengths: none may run into the point data.
#ifndef VARNOKE_VLR_WALK_H
#define VARNOKE_VLR_WALK_H

#include <cstddef>
#include <cstdint>

namespace varnoke {

// Reads up to `size` bytes at byte `position` of the file; the number read, or -1 on an error.
using ReadAt = int64_t (*)(void *context, uint64_t position, void *to, std::size_t size);

inline constexpr std::size_t kVlrHeaderBytes = 54;

// Where a record's payload lies in the file.
struct RecordAt {
    bool found = false;
    uint64_t at = 0;
    uint64_t bytes = 0;
};

struct VlrWalk {
    uint32_t walked = 0;  // VLRs whose headers lie before the point data
    // The LASzip VLR (user "laszip encoded", record 22204): where its payload starts, and its
    // length; 0 and 0 where there is none.
    uint64_t laszip_at = 0;
    uint16_t laszip_bytes = 0;
    // The first GeoTIFF GeoKeyDirectory and OGC WKT records (user "LASF_Projection", records
    // 34735 and 2112).
    RecordAt geokeys, wkt;
};

// Notes `found` as `record` of user "LASF_Projection" if it is one of the two that declare a
// coordinate reference system, and the first of its kind: for the VLRs and the EVLRs alike.
void note_projection(const unsigned char user[16], uint16_t record, const RecordAt &found,
                     VlrWalk &out);

// Walks `count` VLRs from byte `first` (the header's size), stopping early where the next one's
// header would not fit before `data_start`, so that a count too large refuses nothing. Returns
// VARNOKE_LAS_OK, VARNOKE_LAS_ERR_VLR_INTO_DATA where a VLR walked ends after `data_start`, or
// VARNOKE_LAS_ERR_READ.
int walk_vlrs(ReadAt read, void *context, uint64_t first, uint32_t count, uint64_t data_start,
              VlrWalk &out);

}  // namespace varnoke

#endif
