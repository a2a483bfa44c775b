// Why a LAZ file could not be counted: one value per reason, each with its sentence.
#ifndef VARNOKE_LAZ_STATUS_H
#define VARNOKE_LAZ_STATUS_H

namespace varnoke::laz {

enum class LazStatus {
    ok,
    no_laszip_vlr,            // no VLR of user "laszip encoded", record 22204
    vlr_outside_header,       // a VLR runs past the start of the point data
    vlr_truncated,            // the LASzip VLR is shorter than its item list
    unsupported_compressor,   // not 1, 2 or 3, or not the one of the point format
    unsupported_coder,        // not the arithmetic coder
    item_mismatch,            // items not those of the point format
    record_length_mismatch,   // the items' sizes do not add up to the record length
    unknown_item,             // an item type no writer uses
    unsupported_item_version, // an item version of a type we know, but cannot decode
    item_version_1,           // pointwise items of LASzip before 2.0
    bad_chunk_size,           // a fixed chunk size of 0
    table_missing,            // the chunk table's offset is -1 and no offset ends the file
    table_outside_file,       // the chunk table lies outside the file
    table_before_chunks,      // the chunk table starts before the first chunk
    table_version,            // the chunk table's version is not 0
    too_many_chunks,          // more chunks than the bytes before the table could hold
    table_overrun,            // the chunk table's own stream ran past the file
    chunks_overrun,           // the chunks' sizes overlap or run past the table
    chunk_count_zero,         // a variable chunk that holds no point
    too_many_points,          // a chunk that holds more points than it may
    chunk_truncated,          // a chunk shorter than its first point and the coder's bytes
    stream_overrun,           // a chunk's stream wanted more bytes than the chunk holds
    stream_corrupt,           // a chunk's stream held a value no writer stores
    layered_failed,           // the layered decoder refused a chunk
    read_failed,              // the file could not be read
};

// A short English sentence for `status`.
const char *laz_status_text(LazStatus status);

}  // namespace varnoke::laz

#endif
