#include "chunk_decoder.h"

#include <algorithm>

#include "pointwise_chunk.h"

namespace varnoke::laz {

uint64_t least_chunk_bytes(const LaszipVlr &vlr) {
    uint64_t record = 0;
    for (const LazItem &item : vlr.items) record += item.size;
    if (vlr.items.empty()) return 0;
    if (vlr.compressor != 3) return record + 4;
    const std::size_t layers = layer_count(vlr.items);
    return layers == 0 ? 0 : record + 4 + 4 * uint64_t{layers};
}

ChunkDecoder::ChunkDecoder(const LazFile &file, std::size_t window)
    : file_(file), windows_(std::max<std::size_t>(window, std::size_t{file.record_length} + 64)) {
    // Taken at its full size once (only the pages a chunk fills are touched): grown chunk by
    // chunk, it scattered the heap among the models, and COPC's small chunks ran 5% slower.
    windows_.main.reserve(windows_.capacity);
}

ChunkResult ChunkDecoder::decode(const ChunkSpec &spec, const Stop &stop) {
    ChunkBytes bytes(file_.read, spec.offset, spec.bytes, !spec.walk, windows_);
    if (file_.layered()) return layered_.decode(bytes, file_.vlr.items, spec, stop);
    return decode_pointwise_chunk(bytes, file_.vlr.items, spec, stop);
}

}  // namespace varnoke::laz
