// One chunk of pointwise LAZ compression (point formats 0 to 5), or the one stream of a file
// without chunks: every item of every point is decoded, since all share one stream, but only X,
// Y, Z and the return number are kept.
#ifndef VARNOKE_LAZ_POINTWISE_CHUNK_H
#define VARNOKE_LAZ_POINTWISE_CHUNK_H

#include <span>

#include "chunk_spec.h"
#include "laszip_vlr.h"
#include "laz_file.h"

namespace varnoke::laz {

class ChunkBytes;

// Decodes the chunk `bytes` holds (its first point raw, then the stream) with the record's
// `items`. Where `spec.points` is given, that many points, and the stream must end exactly after
// the last (at the chunk's last byte, or where walking, after the bytes it used). Otherwise every
// count up to `spec.max_points` at which the stream ends exactly at the chunk's last byte is one
// its bytes allow: the result holds the smallest, the largest, and the tally at `spec.wanted`
// where that is one. Keeps no state between calls.
ChunkResult decode_pointwise_chunk(ChunkBytes &bytes, std::span<const LazItem> items,
                                   const ChunkSpec &spec, const Stop &stop);

}  // namespace varnoke::laz

#endif
