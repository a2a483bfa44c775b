// A LAZ file as its decoder sees it: how to read it, where its point data lies, its LASzip VLR,
// and the caller's wish to stop.
#ifndef VARNOKE_LAZ_FILE_H
#define VARNOKE_LAZ_FILE_H

#include <cstdint>

#include "byte_feed.h"
#include "laszip_vlr.h"

namespace varnoke::laz {

struct LazFile {
    ReadAt read;
    uint64_t file_size = 0;
    uint64_t data_start = 0;   // offset to the point data
    uint64_t data_end = 0;     // end of the point data: the first EVLR or waveform byte, or the
                               // file's end
    uint8_t point_format = 0;  // as in the header, compression bits included
    uint16_t record_length = 0;
    LaszipVlr vlr;

    bool layered() const { return vlr.compressor == 3; }
    bool variable() const { return vlr.chunk_size == kVariableChunkSize; }
    // The point data runs to the end of the file: where it ends too soon, the file was cut.
    bool data_to_end() const { return data_end == file_size; }
};

// The caller's stop function, asked between pieces of work; never asked where null.
struct Stop {
    int (*asked)(void *arg) = nullptr;
    void *arg = nullptr;
    bool requested() const { return asked != nullptr && asked(arg) != 0; }
};

// The fewest bytes a chunk of `vlr`'s items can have: its first point raw, then the four bytes a
// stream starts with (pointwise), or the count and a size for every layer (layered). 0 where
// the items are not those of a chunk.
uint64_t least_chunk_bytes(const LaszipVlr &vlr);

}  // namespace varnoke::laz

#endif
