#include "chunk_table.h"

#include <algorithm>

#include "arithmetic_decoder.h"
#include "integer_decoder.h"

namespace varnoke::laz {

namespace {

uint64_t u64_at(const unsigned char *p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool read_exact(const ReadAt &read, uint64_t pos, void *to, std::size_t n) {
    return read(pos, to, n) == static_cast<int64_t>(n);
}

// A table's stream is short: a few bytes per chunk. Beyond this many bytes per chunk the table
// is read only as far as the file goes.
constexpr std::size_t kTableBytesPerChunk = 16;

}  // namespace

LazStatus parse_chunk_table(const unsigned char *stream, std::size_t size, uint64_t first_chunk,
                            uint64_t table_offset, bool variable, ChunkTable &table) {
    table.table_offset = table_offset;
    table.chunks.clear();
    if (size < 8) return LazStatus::table_outside_file;
    if (table_offset < first_chunk) return LazStatus::table_before_chunks;
    const uint32_t version = static_cast<uint32_t>(u64_at(stream) & 0xFFFFFFFFu);
    const uint32_t count = static_cast<uint32_t>(u64_at(stream) >> 32);
    if (version != 0) return LazStatus::table_version;
    // Every chunk holds at least one byte before the table.
    if (count > table_offset - first_chunk) return LazStatus::too_many_chunks;
    if (count == 0) return LazStatus::ok;

    ArithmeticDecoder d;
    if (!d.start(stream + 8, stream + size)) return LazStatus::table_overrun;
    IntegerDecoder sizes(32, 2);
    sizes.init();
    table.chunks.resize(count);
    int32_t last_points = 0;
    int32_t last_bytes = 0;
    uint64_t at = first_chunk;
    for (Chunk &c : table.chunks) {
        // Each value is coded against the one before it.
        if (variable) {
            last_points = sizes.decompress(d, last_points, 0);
            c.points = static_cast<uint32_t>(last_points);
        }
        last_bytes = sizes.decompress(d, last_bytes, 1);
        if (d.overrun()) {
            table.chunks.clear();
            return LazStatus::table_overrun;
        }
        c.offset = at;
        c.bytes = static_cast<uint32_t>(last_bytes);
        if (c.bytes == 0 || c.bytes > table_offset - at) {
            table.chunks.clear();
            return LazStatus::chunks_overrun;
        }
        if (variable && c.points == 0) {
            table.chunks.clear();
            return LazStatus::chunk_count_zero;
        }
        at += c.bytes;
    }
    return LazStatus::ok;
}

LazStatus read_chunk_table(const ReadAt &read, uint64_t data_start, uint64_t file_size,
                           bool variable, ChunkTable &table) {
    table = ChunkTable{};
    unsigned char word[8];
    if (file_size < data_start || file_size - data_start < 8) return LazStatus::table_outside_file;
    if (!read_exact(read, data_start, word, 8)) return LazStatus::read_failed;
    uint64_t offset = u64_at(word);
    const uint64_t first_chunk = data_start + 8;
    if (offset == ~uint64_t{0}) {
        // A writer that could not go back leaves the offset at the end of the file too.
        if (!read_exact(read, file_size - 8, word, 8)) return LazStatus::read_failed;
        offset = u64_at(word);
        if (offset == ~uint64_t{0} || offset < first_chunk || offset >= file_size) {
            return LazStatus::table_missing;
        }
    }
    // No chunk at all: the offset names the point data's own start.
    if (offset == data_start) {
        table.table_offset = offset;
        return LazStatus::ok;
    }
    if (offset >= file_size || file_size - offset < 8) return LazStatus::table_outside_file;
    if (offset < first_chunk) return LazStatus::table_before_chunks;
    unsigned char head[8];
    if (!read_exact(read, offset, head, 8)) return LazStatus::read_failed;
    const uint64_t count = u64_at(head) >> 32;
    const uint64_t want = 8 + std::min<uint64_t>(file_size - offset - 8, (count + 1) * kTableBytesPerChunk);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min<uint64_t>(want, file_size - offset)));
    if ((u64_at(head) & 0xFFFFFFFFu) == 0 && count <= offset - first_chunk) {
        if (!read_exact(read, offset, bytes.data(), bytes.size())) return LazStatus::read_failed;
    } else {
        bytes.assign(head, head + 8);
    }
    return parse_chunk_table(bytes.data(), bytes.size(), first_chunk, offset, variable, table);
}

}  // namespace varnoke::laz
