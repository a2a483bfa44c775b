// Names as the result lines show them: quoted as GNU ls quotes them in its shell-escape style,
// so that no name can rewrite a terminal ('evil'$'\r\033''[2Kok') and a shell reading the
// printed name gets the file's name back ('a b.las', 'a'$'\n''b.las'); JSON keeps the bytes of a
// name that is not UTF-8.
#ifndef VARNOKE_LAS_NAME_QUOTING_H
#define VARNOKE_LAS_NAME_QUOTING_H

#include <cstddef>
#include <optional>
#include <string>

namespace varnoke_las {

// The length of the well-formed UTF-8 sequence at `at` (1 to 4), or 0 where the bytes there
// are not one.
std::size_t utf8_sequence_length(const std::string &text, std::size_t at);

bool is_valid_utf8(const std::string &text);

// `name` itself where a shell reads it as it is and a terminal shows each of its characters;
// otherwise `name` quoted for a shell.
std::string shown_name(const std::string &name);

// The bytes in base64 (RFC 4648, with padding), and back: none where `text` is not base64.
std::string base64(const std::string &bytes);
std::optional<std::string> from_base64(const std::string &text);

}  // namespace varnoke_las

#endif
