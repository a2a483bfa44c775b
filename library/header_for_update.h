// The header as the update reads it, through the handle it will write through, and every rule
// that must hold before that handle may be written.
#ifndef VARNOKE_HEADER_FOR_UPDATE_H
#define VARNOKE_HEADER_FOR_UPDATE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "Varnoke_LiDAR.h"

namespace varnoke {

struct HeaderForUpdate {
    LAS12Header header;
    std::size_t record_length;  // of the records from header.OffsetToData to the end of the file
};

// Reads the first 227 bytes through `f`, the file as opened for update, and judges them: a whole
// header; the same LAS type that validation found by name (`validated_type`), so a file replaced
// since then is refused; a type with a record layout; and point data that starts neither inside
// the header nor past the end of the file. Returns true with `out` filled in, or false after
// printing the message of the first rule broken. Reads only; the stream's position is left
// unspecified.
bool read_header_for_update(std::FILE *f, const char *filename, int16_t validated_type,
                            HeaderForUpdate &out);

}  // namespace varnoke

#endif
