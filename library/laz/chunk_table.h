// The chunk table of chunked LAZ point data: where each chunk lies, and for variable-size
// chunks how many points each holds.
#ifndef VARNOKE_LAZ_CHUNK_TABLE_H
#define VARNOKE_LAZ_CHUNK_TABLE_H

#include <cstdint>
#include <functional>
#include <vector>

#include "laz_status.h"

namespace varnoke::laz {

// A positioned read: bytes read (short only at the end of the file), or -1 on an error.
using ReadAt = std::function<int64_t(uint64_t pos, void *to, std::size_t n)>;

struct Chunk {
    uint64_t offset = 0;  // in the file
    uint64_t bytes = 0;
    uint64_t points = 0;  // 0 where the table does not store it (fixed-size chunks)
};

struct ChunkTable {
    uint64_t table_offset = 0;
    std::vector<Chunk> chunks;
};

// Reads the chunk table of point data starting at `data_start` in a file of `file_size`
// bytes. `variable` when the chunk size is variable (each chunk's count is then stored).
// The number of chunks is bounded by the bytes between the first chunk and the table, so a
// hostile count allocates nothing.
LazStatus read_chunk_table(const ReadAt &read, uint64_t data_start, uint64_t file_size,
                           bool variable, ChunkTable &table);

// The same on the table's bytes in memory: `stream` holds the table from its version field to
// at most the end of the file, `first_chunk` is the offset of the first chunk.
LazStatus parse_chunk_table(const unsigned char *stream, std::size_t size, uint64_t first_chunk,
                            uint64_t table_offset, bool variable, ChunkTable &table);

}  // namespace varnoke::laz

#endif
