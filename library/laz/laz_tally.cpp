#include "laz_tally.h"

#include <vector>

#include "layered_chunk.h"

namespace varnoke::laz {

namespace {

bool layered(const LazFile &file) { return file.vlr.compressor == 3; }

ChunkResult decode_pointwise(const LazFile &file, uint64_t max_points, uint64_t known,
                             std::span<const unsigned char> bytes) {
    ChunkResult r;
    const PointwiseResult p = decode_pointwise_chunk(bytes, file.vlr.items, max_points, known, r.tally);
    r.status = p.status;
    r.exact = p.count != ChunkCount::ambiguous;
    return r;
}

}  // namespace

ChunkResult decode_chunk(const LazFile &file, const ChunkTable &table, std::size_t index,
                         std::span<const unsigned char> bytes, LayeredChunkDecoder *decoder) {
    const Chunk &c = table.chunks[index];
    const bool variable = file.vlr.chunk_size == kVariableChunkSize;
    if (layered(file)) {
        ChunkResult r;
        const std::span<const LayeredItem> items = file.vlr.items;
        const uint32_t max_points = variable ? static_cast<uint32_t>(c.points) : file.vlr.chunk_size;
        const LayeredStatus s = decoder != nullptr
                                    ? decoder->decode(bytes, items, max_points, r.tally)
                                    : decode_layered_chunk(bytes, items, max_points, r.tally);
        if (s != LayeredStatus::ok) {
            r.status = s == LayeredStatus::stream_overrun ? LazStatus::stream_overrun
                       : s == LayeredStatus::too_many_points ? LazStatus::too_many_points
                       : s == LayeredStatus::truncated ? LazStatus::chunk_truncated
                       : s == LayeredStatus::no_points ? LazStatus::chunk_count_zero
                       : s == LayeredStatus::bad_items ? LazStatus::item_mismatch
                                                       : LazStatus::layered_failed;
            r.tally = PointTally{};
        } else if (variable && r.tally.records != c.points) {
            // The table and the chunk must agree on the count.
            r.status = LazStatus::too_many_points;
            r.tally = PointTally{};
        }
        return r;
    }
    if (variable) return decode_pointwise(file, c.points, c.points, bytes);
    // Fixed-size chunks: each holds the chunk size but the last, whose count the bytes tell.
    const bool last = index + 1 == table.chunks.size();
    return decode_pointwise(file, file.vlr.chunk_size, last ? 0 : file.vlr.chunk_size, bytes);
}

LazStatus chunks_of(const LazFile &file, ChunkTable &table, LazFile &effective) {
    effective = file;
    if (file.vlr.compressor == 1) {
        // One stream without chunks, from the start of the point data to its end; it has no
        // bound but its bytes.
        if (file.data_end <= file.data_start || file.data_end > file.file_size) {
            return LazStatus::chunk_truncated;
        }
        table.table_offset = file.data_end;
        table.chunks.assign(1, {file.data_start, file.data_end - file.data_start, 0});
        effective.vlr.chunk_size = 0xFFFFFFFEu;
        return LazStatus::ok;
    }
    return read_chunk_table(file.read, file.data_start, file.file_size,
                            file.vlr.chunk_size == kVariableChunkSize, table);
}

LazTally tally_laz(const LazFile &file) {
    LazTally out;
    ChunkTable table;
    LazFile effective;
    out.status = chunks_of(file, table, effective);
    if (out.status != LazStatus::ok) return out;
    const LazFile *f = &effective;
    std::vector<unsigned char> buffer;
    for (std::size_t i = 0; i < table.chunks.size(); ++i) {
        const Chunk &c = table.chunks[i];
        buffer.resize(static_cast<std::size_t>(c.bytes));
        if (f->read(c.offset, buffer.data(), buffer.size()) != static_cast<int64_t>(buffer.size())) {
            out.status = LazStatus::read_failed;
            out.failed_chunk = i;
            return out;
        }
        const ChunkResult r = decode_chunk(*f, table, i, buffer);
        if (r.status != LazStatus::ok) {
            out = LazTally{};
            out.status = r.status;
            out.failed_chunk = i;
            return out;
        }
        merge(out.tally, r.tally);
        if (!r.exact) out.exact = false;
    }
    return out;
}

}  // namespace varnoke::laz
