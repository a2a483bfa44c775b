// The checks that decide whether a LAS header can be handled, judged on its bytes alone: the
// same rules for validation, which reads the header by name, and for the update, which reads it
// again through the handle it writes through.
#ifndef VARNOKE_HEADER_CHECKS_H
#define VARNOKE_HEADER_CHECKS_H

#include <cstddef>
#include <cstdint>

#include "Varnoke_LiDAR.h"

namespace varnoke {

// The first rule a header breaks, in the order they are checked.
enum class HeaderVerdict {
    kAccepted,
    kTooShort,      // the bytes end before the field the next check needs
    kNotLas,        // signature
    kMajorVersion,  // not 1
    kMinorVersion,  // above 2
    kPointFormat,   // above 3
    kRecordLength,  // not the length of the point format
};

struct HeaderJudgement {
    HeaderVerdict verdict;
    // When accepted: the LAS type 1 to 8, or 0 for a version 1.0 or 1.1 header that declares
    // point format 2 or 3, for which no record layout exists.
    int16_t type;
};

// Validation needs the header up to and including the record length: bytes 0 to 106.
inline constexpr std::size_t kValidatedBytes = offsetof(LAS12Header, NumberOfPointReturns);

// Judges the first `got` bytes of `head` (the rest is not looked at); a check whose field lies
// beyond them gives kTooShort.
HeaderJudgement judge_header(const LAS12Header &head, std::size_t got);

}  // namespace varnoke

#endif
