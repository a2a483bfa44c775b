// One chunk of layered LAZ compression (point formats 6 to 10), decoded only as far as the header
// needs: X, Y, the return number and Z. Every other layer is stepped over by its size.
#ifndef VARNOKE_LAZ_LAYERED_CHUNK_H
#define VARNOKE_LAZ_LAYERED_CHUNK_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "laszip_vlr.h"
#include "record_tally.h"

namespace varnoke::laz {

// An item of the LASzip record, as the VLR lists it.
using LayeredItem = LazItem;

enum class LayeredStatus {
    ok,
    bad_items,          // not POINT14 first, a size or version not of the layered items
    truncated,          // the chunk ends inside its first point, count or layer sizes
    no_points,          // the chunk says it holds no point
    too_many_points,    // more points than the chunk may hold
    layers_past_end,    // the layer sizes add up to more bytes than the chunk has
    missing_layer,      // the X, Y and return layer is empty while points follow the first
    stream_overrun,     // a decoded layer wanted more bytes than it holds
    stream_corrupt,     // a decoded layer held a raw value no writer stores
};

// Bytes of one chunk by what became of them.
struct LayeredBytes {
    uint64_t decoded = 0;   // first point, count, layer sizes, XY and Z layers
    uint64_t skipped = 0;   // every other layer, never read
    uint64_t trailing = 0;  // past the last layer
};

// Adds the points of `chunk` to `tally`, on success only. `items` are the record's items in
// their stored order; `max_points` bounds the chunk's own count. Reads nothing outside `chunk`
// and allocates nothing that depends on the count. `bytes`, when given, receives the division
// of the chunk's bytes.
LayeredStatus decode_layered_chunk(std::span<const unsigned char> chunk,
                                   std::span<const LayeredItem> items, uint32_t max_points,
                                   PointTally &tally, LayeredBytes *bytes = nullptr);

// The same, keeping the models of the scanner channels from one chunk to the next so that a
// thread decoding many chunks allocates them once. One decoder per thread.
class LayeredChunkDecoder {
 public:
    LayeredChunkDecoder();
    ~LayeredChunkDecoder();
    LayeredChunkDecoder(const LayeredChunkDecoder &) = delete;
    LayeredChunkDecoder &operator=(const LayeredChunkDecoder &) = delete;

    LayeredStatus decode(std::span<const unsigned char> chunk, std::span<const LayeredItem> items,
                         uint32_t max_points, PointTally &tally, LayeredBytes *bytes = nullptr);

    struct Models;

 private:
    std::unique_ptr<Models> models_;
};

}  // namespace varnoke::laz

#endif
