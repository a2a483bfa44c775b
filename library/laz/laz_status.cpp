#include "laz_status.h"

namespace varnoke::laz {

const char *laz_status_text(LazStatus status) {
    switch (status) {
    case LazStatus::ok: return "the LAZ point data was decoded";
    case LazStatus::no_laszip_vlr: return "the file has no LASzip VLR";
    case LazStatus::vlr_outside_header: return "a VLR runs past the start of the point data";
    case LazStatus::vlr_truncated: return "the LASzip VLR is shorter than its item list";
    case LazStatus::unsupported_compressor:
        return "the LAZ compressor is not supported for this point format";
    case LazStatus::unsupported_coder: return "the LAZ coder is not the arithmetic coder";
    case LazStatus::item_mismatch: return "the LAZ items do not match the point format";
    case LazStatus::record_length_mismatch:
        return "the LAZ items do not add up to the point record length";
    case LazStatus::unknown_item: return "the LASzip VLR names an unknown item";
    case LazStatus::unsupported_item_version: return "a LAZ item version is not supported";
    case LazStatus::item_version_1: return "item version 1 not supported";
    case LazStatus::bad_chunk_size: return "the LAZ chunk size is 0";
    case LazStatus::table_missing: return "the LAZ chunk table is missing";
    case LazStatus::table_outside_file: return "the LAZ chunk table lies outside the file";
    case LazStatus::table_before_chunks: return "the LAZ chunk table lies before the first chunk";
    case LazStatus::table_version: return "the LAZ chunk table has an unknown version";
    case LazStatus::too_many_chunks:
        return "the LAZ chunk table counts more chunks than the file can hold";
    case LazStatus::table_overrun: return "the LAZ chunk table runs past the end of the file";
    case LazStatus::chunks_overrun: return "the LAZ chunk sizes run past the chunk table";
    case LazStatus::chunk_count_zero: return "a LAZ chunk holds no point";
    case LazStatus::too_many_points: return "a LAZ chunk holds more points than it may";
    case LazStatus::chunk_truncated: return "a LAZ chunk is shorter than its first point";
    case LazStatus::stream_overrun: return "a LAZ chunk's stream runs past its bytes";
    case LazStatus::stream_corrupt: return "a LAZ chunk's stream is corrupt";
    case LazStatus::layered_failed: return "a layered LAZ chunk could not be decoded";
    case LazStatus::read_failed: return "the LAZ point data could not be read";
    }
    return "unknown LAZ status";
}

}  // namespace varnoke::laz
