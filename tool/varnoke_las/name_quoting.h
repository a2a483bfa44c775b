// Names as the result lines show them: a name that holds control characters or bytes that are
// not UTF-8 could rewrite a terminal, so the text lines quote it as GNU ls does in its
// shell-escape style ('evil'$'\r\033''[2Kok'); JSON keeps the bytes of a name that is not UTF-8.
#ifndef VARNOKE_LAS_NAME_QUOTING_H
#define VARNOKE_LAS_NAME_QUOTING_H

#include <cstddef>
#include <string>

namespace varnoke_las {

// The length of the well-formed UTF-8 sequence at `at` (1 to 4), or 0 where the bytes there
// are not one.
std::size_t utf8_sequence_length(const std::string &text, std::size_t at);

bool is_valid_utf8(const std::string &text);

// `name` itself when every character is printable UTF-8; otherwise the name quoted for a shell.
std::string shown_name(const std::string &name);

// The bytes in base64 (RFC 4648, with padding).
std::string base64(const std::string &bytes);

}  // namespace varnoke_las

#endif
