// The header as the update reads it, through the handle it will write through, and every rule
// that must hold before that handle may be written.
#ifndef VARNOKE_HEADER_FOR_UPDATE_H
#define VARNOKE_HEADER_FOR_UPDATE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "Varnoke_LiDAR.h"
#include "file_io.h"

namespace varnoke {

struct HeaderForUpdate {
    LAS12Header header;         // as read; the update fills in its counts and box
    LAS12Header as_read;        // as read, kept to tell whether the file changed since
    FileState state;            // of the file when its header was read
    std::size_t record_length;  // of the records from header.OffsetToData to the end of the file
};

// The rules in the order they are checked, each with the message the update prints.
enum class UpdateRefusal {
    kNone,
    kReadError,
    kTooShort,
    kChanged,           // not the header validation accepted
    kNoRecordLayout,    // version 1.0 or 1.1 with point format 2 or 3
    kDataInsideHeader,  // OffsetToData below 227
    kDataPastTheEnd,    // OffsetToData beyond the end of the file
};

// Learns the file's state and reads its first 227 bytes through `f`, the file as opened for
// update, and judges them: a regular file with a whole header; the same LAS type that validation
// found by name (`validated_type`), so a file replaced since then is refused; a type with a record
// layout; and point data that starts neither inside the header nor past the end of the file.
// Returns kNone with `out` filled in, or the first rule broken. Reads only; the stream's position
// is left unspecified.
UpdateRefusal read_header_for_update(std::FILE *f, int16_t validated_type, HeaderForUpdate &out);

// Prints the message of `refusal` for the file `filename`, as the update does.
void print_refusal(UpdateRefusal refusal, const char *filename, const LAS12Header &header);

}  // namespace varnoke

#endif
