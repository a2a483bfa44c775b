// The chunk table of chunked LAZ point data: where each chunk lies, and for variable-size
// chunks how many points each holds.
#ifndef VARNOKE_LAZ_CHUNK_TABLE_H
#define VARNOKE_LAZ_CHUNK_TABLE_H

#include <cstdint>
#include <deque>

#include "laz_file.h"
#include "laz_status.h"

namespace varnoke::laz {

struct Chunk {
    uint64_t offset = 0;  // in the file
    uint32_t bytes = 0;
    uint32_t points = 0;  // 0 where the table does not store it (fixed-size chunks)
};

struct ChunkTable {
    uint64_t table_offset = 0;  // where the chunks end and the table begins
    // Grown as entries decode: a deque never copies what it holds, so a long table costs its
    // entries alone.
    std::deque<Chunk> chunks;
    // The table, or its offset, lies past the end of the file: the file was cut, and its chunks
    // can only be found one after the other from the first (`chunks` is then empty).
    bool lost = false;
    uint64_t missing_bytes = 0;  // where lost: at least this many bytes lacking at the end
};

// Reads the chunk table of `file`'s point data. Every chunk must hold at least
// least_chunk_bytes(file.vlr) bytes, so a hostile count is refused before any entry is kept,
// and the chunks must end exactly where the table begins. A table past the end of a file whose
// point data runs to its end is `lost`, not refused.
LazStatus read_chunk_table(const LazFile &file, const Stop &stop, ChunkTable &table);

}  // namespace varnoke::laz

#endif
