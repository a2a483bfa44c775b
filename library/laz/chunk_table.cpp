#include "chunk_table.h"

#include <algorithm>
#include <vector>

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

// The table's stream is read through a window of this size, whatever the count of chunks.
constexpr std::size_t kTableWindow = std::size_t{64} << 10;

// Where the table lies past what the file holds: lost if the point data runs to the end of the
// file (a cut file), else damaged.
LazStatus lost_or(LazStatus damaged, const LazFile &file, uint64_t table_offset, uint64_t missing,
                  ChunkTable &table) {
    table.chunks.clear();
    if (!file.data_to_end()) return damaged;
    table.table_offset = table_offset;
    table.lost = true;
    table.missing_bytes = std::max<uint64_t>(missing, 1);
    return LazStatus::ok;
}

}  // namespace

LazStatus read_chunk_table(const LazFile &file, const Stop &stop, ChunkTable &table) {
    table = ChunkTable{};
    const uint64_t start = file.data_start;
    const uint64_t end = file.data_end;
    const uint64_t first_chunk = start + 8;
    const uint64_t least = least_chunk_bytes(file.vlr);
    if (end < start || end - start < 8) {
        // Not even the table's offset: lost where the file ends there.
        return lost_or(LazStatus::table_outside_data, file, first_chunk, first_chunk - end, table);
    }
    unsigned char word[8];
    if (!read_exact(file.read, start, word, 8)) return LazStatus::read_failed;
    uint64_t offset = u64_at(word);
    if (offset == ~uint64_t{0}) {
        // A writer that could not go back leaves the offset at the end of the point data too.
        if (!read_exact(file.read, end - 8, word, 8)) return LazStatus::read_failed;
        offset = u64_at(word);
        if (offset == ~uint64_t{0} || offset < first_chunk || offset >= end) {
            return LazStatus::table_missing;
        }
    }
    // No chunk at all: the offset names the point data's own start.
    if (offset == start) {
        table.table_offset = offset;
        return LazStatus::ok;
    }
    if (offset < first_chunk) return LazStatus::table_before_chunks;
    if (offset > end || end - offset < 8) {
        return lost_or(LazStatus::table_outside_data, file, offset, offset + 8 - end, table);
    }
    table.table_offset = offset;
    unsigned char head[8];
    if (!read_exact(file.read, offset, head, 8)) return LazStatus::read_failed;
    if ((u64_at(head) & 0xFFFFFFFFu) != 0) return LazStatus::table_version;
    const uint64_t count = u64_at(head) >> 32;
    if (least == 0 || count > (offset - first_chunk) / least) return LazStatus::too_many_chunks;
    if (count == 0) {
        return offset == first_chunk ? LazStatus::ok : LazStatus::chunks_short_of_table;
    }

    std::vector<unsigned char> window(
        static_cast<std::size_t>(std::min<uint64_t>(kTableWindow, end - offset - 8)));
    ByteFeed feed;
    feed.start(&file.read, offset + 8, end, window.data(), window.size());
    const std::span<const unsigned char> first = feed.more(nullptr, 0);
    if (feed.failed()) return LazStatus::read_failed;
    ArithmeticDecoder d;
    if (!d.start(first.data(), first.data() + first.size(), &feed)) {
        return lost_or(LazStatus::table_overrun, file, offset, 4 - first.size(), table);
    }
    IntegerDecoder sizes(32, 2);
    sizes.reset();
    const bool variable = file.variable();
    int32_t last_points = 0;
    int32_t last_bytes = 0;
    uint64_t at = first_chunk;
    for (uint64_t i = 0; i < count; ++i) {
        if ((i & 4095u) == 4095u && stop.requested()) return LazStatus::stopped;
        Chunk c;
        // Each value is coded against the one before it.
        if (variable) {
            last_points = sizes.decode(d, last_points, 0);
            c.points = static_cast<uint32_t>(last_points);
        }
        last_bytes = sizes.decode(d, last_bytes, 1);
        if (feed.failed()) return LazStatus::read_failed;
        if (d.overrun()) {
            // Cut inside the table, or a count past the chunks already found: those chunks end
            // where the table begins, and the count is wrong.
            if (at == offset) return LazStatus::chunks_overrun;
            return lost_or(LazStatus::table_overrun, file, offset, 1, table);
        }
        c.offset = at;
        c.bytes = static_cast<uint32_t>(last_bytes);
        if (c.bytes < least || c.bytes > offset - at) return LazStatus::chunks_overrun;
        if (variable && c.points == 0) return LazStatus::no_points;
        table.chunks.push_back(c);
        at += c.bytes;
    }
    // All real tables begin where the last chunk ends; one that does not has lost or gained an
    // entry.
    if (at != offset) return LazStatus::chunks_short_of_table;
    return LazStatus::ok;
}

}  // namespace varnoke::laz
