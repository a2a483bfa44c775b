// One chunk of pointwise LAZ compression (point formats 0 to 5): every item of every point is
// decoded, since all share one stream, but only X, Y, Z and the return number are kept.
#ifndef VARNOKE_LAZ_POINTWISE_CHUNK_H
#define VARNOKE_LAZ_POINTWISE_CHUNK_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "laszip_vlr.h"
#include "laz_status.h"
#include "record_tally.h"

namespace varnoke::laz {

// How the number of points of a chunk whose count is not stored was established.
enum class ChunkCount {
    stored,     // the count was given (every chunk but the last, or a variable chunk)
    exact,      // one count alone ends the stream exactly where its bytes end
    ambiguous,  // more than one count does; the tally holds the smallest
};

struct PointwiseResult {
    LazStatus status = LazStatus::ok;
    uint64_t points = 0;
    ChunkCount count = ChunkCount::stored;
    uint64_t other_counts = 0;  // ambiguous: how many larger counts also end exactly
};

// Decodes `chunk` (its first point raw, then the stream) with the record's `items`, adding its
// points to `tally` on success only. `known_points` is the chunk's count when it is known (0:
// not known, decode until the bytes are used up); `max_points` bounds the count either way.
// Pure: reads nothing outside `chunk`, keeps no state between calls.
PointwiseResult decode_pointwise_chunk(std::span<const unsigned char> chunk,
                                       std::span<const LazItem> items, uint64_t max_points,
                                       uint64_t known_points, PointTally &tally);

}  // namespace varnoke::laz

#endif
