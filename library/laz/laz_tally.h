// Counts a LAZ file's points from its compressed point data: the number of records, the
// counts by return number and the raw extremes, chunk by chunk.
#ifndef VARNOKE_LAZ_TALLY_H
#define VARNOKE_LAZ_TALLY_H

#include <cstdint>

#include "chunk_table.h"
#include "laszip_vlr.h"
#include "laz_status.h"
#include "pointwise_chunk.h"
#include "record_tally.h"

namespace varnoke::laz {

struct LazFile {
    ReadAt read;
    uint64_t file_size = 0;
    uint64_t data_start = 0;  // offset to the point data
    uint64_t data_end = 0;    // end of the point data (the first EVLR, or the file's end)
    uint8_t point_format = 0;  // as in the header, compression bits included
    uint16_t record_length = 0;
    LaszipVlr vlr;
};

struct LazTally {
    LazStatus status = LazStatus::ok;
    PointTally tally;
    bool exact = true;           // false: the last chunk's count is ambiguous
    uint64_t failed_chunk = 0;   // the chunk a failure came from
};

struct ChunkResult {
    LazStatus status = LazStatus::ok;
    PointTally tally;
    bool exact = true;
};

class LayeredChunkDecoder;

// Decodes chunk `index` of `table` from its bytes alone (`bytes` holds exactly the chunk).
// Pure, so chunks may be decoded on any thread in any order; `decoder`, where given, is the
// calling thread's own, whose models layered chunks reuse rather than allocate.
ChunkResult decode_chunk(const LazFile &file, const ChunkTable &table, std::size_t index,
                         std::span<const unsigned char> bytes,
                         LayeredChunkDecoder *decoder = nullptr);

// Where the chunks of `file` lie: its chunk table, or for a single stream (compressor 1) one
// chunk of the whole point data; `effective` is `file` as decode_chunk must be given it.
LazStatus chunks_of(const LazFile &file, ChunkTable &table, LazFile &effective);

// Reads the chunk table and decodes every chunk in turn, one chunk's bytes in memory at a time.
LazTally tally_laz(const LazFile &file);

}  // namespace varnoke::laz

#endif
