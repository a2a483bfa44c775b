// The checks that decide whether a LAS header can be handled, judged on its bytes alone: the
// same rules for validation, which reads the header by name, and for the update, which reads it
// again through the handle it writes through.
#ifndef VARNOKE_HEADER_CHECKS_H
#define VARNOKE_HEADER_CHECKS_H

#include <cstddef>
#include <cstdint>

#include "header_bytes.h"

namespace varnoke {

struct HeaderJudgement {
    // VARNOKE_LAS_OK, or the first rule broken, in the order they are checked:
    // VARNOKE_LAS_ERR_TOO_SHORT (the bytes end before the field the next check needs), _NOT_LAS
    // (signature), _VERSION (a major version not 1, or a minor above 2), _POINT_FORMAT (above
    // 3), _RECORD_LENGTH (not the length of the point format).
    int status;
    // When accepted: the LAS type 1 to 8, or 0 for a version 1.0 or 1.1 header that declares
    // point format 2 or 3, for which no record layout exists.
    int16_t type;
};

// Validation needs the header up to and including the record length: bytes 0 to 106.
inline constexpr std::size_t kValidatedBytes = at::kRecordLength + 2;

// Judges the first `got` bytes of `head` (the rest is not looked at); a check whose field lies
// beyond them gives VARNOKE_LAS_ERR_TOO_SHORT.
HeaderJudgement judge_header(const unsigned char *head, std::size_t got);

}  // namespace varnoke

#endif
