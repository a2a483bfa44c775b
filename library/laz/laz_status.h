// Why LAZ point data could not be counted: one value per reason, for every part of the decoder.
// The status functions' table of them is in laz_scan.cpp.
#ifndef VARNOKE_LAZ_STATUS_H
#define VARNOKE_LAZ_STATUS_H

namespace varnoke::laz {

enum class LazStatus {
    ok,
    // The LASzip VLR and its items.
    no_laszip_vlr,             // no VLR of user "laszip encoded", record 22204
    vlr_outside_header,        // a VLR runs past the start of the point data
    vlr_truncated,             // the LASzip VLR is shorter than its item list
    unsupported_compressor,    // not 1, 2 or 3, or not the one of the point format
    unsupported_coder,         // not the arithmetic coder
    item_mismatch,             // items not those of the point format
    record_length_mismatch,    // the items' sizes do not add up to the record length
    unknown_item,              // an item type no writer uses
    unsupported_item_version,  // an item version of a type we know, but cannot decode
    item_version_1,            // pointwise items of LASzip before 2.0
    bad_chunk_size,            // a fixed chunk size of 0
    // The chunk table.
    table_missing,          // the chunk table's offset is -1 and no offset ends the file
    table_outside_data,     // the chunk table lies past the point data, before the EVLRs
    table_before_chunks,    // the chunk table starts before the first chunk
    table_version,          // the chunk table's version is not 0
    too_many_chunks,        // more chunks than the bytes before the table could hold
    table_overrun,          // the chunk table's own stream ran past the point data
    chunks_overrun,         // a chunk smaller than it can be, or the sizes run past the table
    chunks_short_of_table,  // the chunks end before the table begins
    // One chunk.
    chunk_truncated,      // shorter than its first point and what must follow it
    no_points,            // a chunk that says it holds no point
    too_many_points,      // more points than the chunk may hold
    count_mismatch,       // a variable chunk holding other than its table's count
    layers_past_end,      // the layers' sizes add up to more bytes than the chunk has
    layers_short_of_end,  // the layers end before the chunk does
    missing_layer,        // the X, Y and return layer is empty while points follow the first
    stream_overrun,       // a stream wanted more bytes than it holds
    stream_corrupt,       // a stream held a value no writer stores
    stream_end,           // a stream that does not end exactly at its last byte
    // The file and the call.
    read_failed,  // the file could not be read
    no_memory,    // no memory for the decoder
    stopped,      // the caller asked the scan to stop
};

}  // namespace varnoke::laz

#endif
