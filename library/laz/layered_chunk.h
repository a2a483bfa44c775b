// One chunk of layered LAZ compression (point formats 6 to 10), decoded only as far as the header
// needs: X, Y, the return number and Z. Every other layer is stepped over by its size.
#ifndef VARNOKE_LAZ_LAYERED_CHUNK_H
#define VARNOKE_LAZ_LAYERED_CHUNK_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "chunk_spec.h"
#include "laszip_vlr.h"
#include "laz_file.h"

namespace varnoke::laz {

class ChunkBytes;

// The layers a chunk of `items` holds (nine for POINT14, then those of its other items); 0
// where the items are not those of layered chunks.
std::size_t layer_count(std::span<const LazItem> items);

// Decodes layered chunks, keeping the models of the scanner channels from one chunk to the next
// so that a thread decoding many chunks allocates them once. One decoder per thread.
class LayeredChunkDecoder {
public:
    LayeredChunkDecoder();
    ~LayeredChunkDecoder();
    LayeredChunkDecoder(const LayeredChunkDecoder &) = delete;
    LayeredChunkDecoder &operator=(const LayeredChunkDecoder &) = delete;

    // The chunk `bytes` holds: its first point raw, its count, the size of every layer, then the
    // layers, which must fill it to its last byte (where its size is known) and of which those
    // decoded must each end exactly at their size. The count may not pass `spec.max_points`,
    // and must be `spec.points` where that is given.
    ChunkResult decode(ChunkBytes &bytes, std::span<const LazItem> items, const ChunkSpec &spec,
                       const Stop &stop);

    struct Models;

private:
    std::unique_ptr<Models> models_;
};

}  // namespace varnoke::laz

#endif
