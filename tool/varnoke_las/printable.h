// Which characters a terminal shows, as GNU ls decides it in a UTF-8 locale: the C library's
// class "print" of GNU libc 2.36 (Unicode 14.0), so that names are quoted as `ls
// --quoting-style=shell-escape` quotes them there. Neither the C0 and C1 controls and DEL, nor
// the line and paragraph separators, the unassigned code points and the noncharacters are shown.
#ifndef VARNOKE_LAS_PRINTABLE_H
#define VARNOKE_LAS_PRINTABLE_H

#include <cstdint>

namespace varnoke_las {

// `c` is a Unicode scalar value (no surrogate, at most U+10FFFF).
bool is_printable(uint32_t c);

}  // namespace varnoke_las

#endif
