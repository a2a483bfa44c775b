// What is known of one chunk before it is decoded, and what its decode gives.
#ifndef VARNOKE_LAZ_CHUNK_SPEC_H
#define VARNOKE_LAZ_CHUNK_SPEC_H

#include <cstdint>

#include "laz_status.h"
#include "record_tally.h"

namespace varnoke::laz {

struct ChunkSpec {
    uint64_t offset = 0;  // of the chunk in the file
    uint64_t bytes = 0;   // its size; where `walk`, the most it may span
    // Its size is not known (its table was lost): the chunk ends where its data does.
    bool walk = false;
    // Its count where known beforehand (a variable chunk's, a full fixed-size one's); 0 where
    // its own bytes tell it (layered chunks store it, pointwise ones end their stream there).
    uint64_t points = 0;
    uint64_t max_points = 0;  // the most it may hold
    // A stream without chunks: `max_points` grows by one for every byte the stream has read.
    bool bound_grows = false;
    // A count whose tally is wanted beside the smallest, where the bytes allow several (0: none).
    uint64_t wanted = 0;
};

struct ChunkResult {
    LazStatus status = LazStatus::ok;
    PointTally tally;    // at the smallest count the bytes allow
    uint64_t bytes = 0;  // the chunk's size, as decoded
    uint64_t most = 0;   // the largest count the bytes allow; tally.records where only one does
    bool has_wanted = false;
    PointTally at_wanted;  // where `has_wanted`: the tally at the spec's wanted count
};

}  // namespace varnoke::laz

#endif
