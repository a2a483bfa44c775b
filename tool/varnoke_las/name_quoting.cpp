#include "name_quoting.h"

#include <cstdint>

namespace varnoke_las {

namespace {

// The code point of the well-formed sequence of `length` bytes at `at`.
uint32_t code_point(const unsigned char *b, std::size_t length) {
    if (length == 1) return b[0];
    uint32_t value = b[0] & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (b[k] & 0x3Fu);
    return value;
}

// Characters a terminal does not print but obeys: C0 and C1 controls, DEL, and the line and
// paragraph separators.
bool unprintable(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

void append_escape(std::string &out, unsigned char c) {
    switch (c) {
        case '\a': out += "\\a"; return;
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        case '\v': out += "\\v"; return;
        default: break;
    }
    out += '\\';
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
}

}  // namespace

std::size_t utf8_sequence_length(const std::string &text, std::size_t at) {
    const auto *const b = reinterpret_cast<const unsigned char *>(text.data()) + at;
    const std::size_t left = text.size() - at;
    const unsigned char c = b[0];
    if (c < 0x80) return 1;
    // No overlong form, no surrogate, at most U+10FFFF.
    const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || length > left) return 0;
    const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    if (b[1] < low || b[1] > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((b[k] & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool is_valid_utf8(const std::string &text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_sequence_length(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string shown_name(const std::string &name) {
    // Each piece of the name: a printable character (kept) or a byte to escape.
    bool plain = true, has_quote = false, ends_escaped = false;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = utf8_sequence_length(name, i);
        const auto *const b = reinterpret_cast<const unsigned char *>(name.data()) + i;
        const bool escaped = length == 0 || unprintable(code_point(b, length));
        plain = plain && !escaped;
        has_quote = has_quote || name[i] == '\'';
        ends_escaped = escaped;
        i += length == 0 ? 1 : length;
    }
    if (plain) return name;
    // GNU ls starts a name that holds a quote and ends in an escape as if an escape were open
    // already ('''a'\''b'$'\001'); its output is followed to the byte.
    bool in_escape = has_quote && ends_escaped;
    std::string out = "'";
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = utf8_sequence_length(name, i);
        const auto *const b = reinterpret_cast<const unsigned char *>(name.data()) + i;
        if (length == 0 || unprintable(code_point(b, length))) {
            if (!in_escape) out += "'$'";
            in_escape = true;
            const std::size_t bytes = length == 0 ? 1 : length;
            for (std::size_t k = 0; k < bytes; ++k) append_escape(out, b[k]);
            i += bytes;
            continue;
        }
        if (name[i] == '\'') {
            out += "'\\''";
            in_escape = false;
        } else {
            if (in_escape) out += "''";
            in_escape = false;
            out.append(name, i, length);
        }
        i += length;
    }
    out += '\'';
    return out;
}

std::string base64(const std::string &bytes) {
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    const auto *const b = reinterpret_cast<const unsigned char *>(bytes.data());
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (uint32_t{b[i]} << 16) | (uint32_t{b[i + 1]} << 8) | b[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(v >> shift) & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        const uint32_t v = (uint32_t{b[i]} << 16) | (left == 2 ? uint32_t{b[i + 1]} << 8 : 0);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += left == 2 ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace varnoke_las
