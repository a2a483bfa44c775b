// The decoder of a file's chunks, one per thread: a chunk read (or streamed) from the file and
// decoded by the decoder of its compression, into a tally of its own.
#ifndef VARNOKE_LAZ_CHUNK_DECODER_H
#define VARNOKE_LAZ_CHUNK_DECODER_H

#include <cstddef>

#include "chunk_bytes.h"
#include "chunk_spec.h"
#include "layered_chunk.h"
#include "laz_file.h"

namespace varnoke::laz {

// A chunk up to this size is read whole; a longer one streams through windows of this size
// (two for a layered chunk), so that a thread holds at most two whatever the chunks claim.
inline constexpr std::size_t kChunkWindow = std::size_t{1} << 20;

class ChunkDecoder {
public:
    // `window`: the most bytes of a chunk held at once (at least the record and a little more).
    explicit ChunkDecoder(const LazFile &file, std::size_t window = kChunkWindow);

    // Decodes the chunk `spec` describes. Reads nothing outside the chunk (or, where walking,
    // outside the bytes it may span), and asks `stop` every few thousand points.
    ChunkResult decode(const ChunkSpec &spec, const Stop &stop);

private:
    const LazFile &file_;
    ChunkWindows windows_;
    LayeredChunkDecoder layered_;
};

}  // namespace varnoke::laz

#endif
