#include "name_quoting.h"

#include <cstdint>

#include "printable.h"

namespace varnoke_las {

namespace {

// The code point of the well-formed sequence of `length` bytes at `at`.
uint32_t code_point(const unsigned char *b, std::size_t length) {
    if (length == 1) return b[0];
    uint32_t value = b[0] & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (b[k] & 0x3Fu);
    return value;
}

void append_escape(std::string &out, unsigned char c) {
    switch (c) {
        case '\a':
            out += "\\a";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\v':
            out += "\\v";
            return;
        default:
            break;
    }
    out += '\\';
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
}

// A piece of a name as the quoting sees it: a character shown as it is, a single quote, or bytes
// written as escapes ($'\n', $'\376'); and what it asks of GNU ls's shell-escape style: whether
// the name must be quoted for it, and whether it may stand as it is inside double quotes.
struct Piece {
    enum Kind { shown, quote, escaped } kind;
    std::size_t size;
    bool forces_quotes, fits_double_quotes;
};

Piece ascii_piece(char c, std::size_t at, std::size_t name_size) {
    switch (c) {
        case '{':
        case '}':  // special as a word of its own
            if (name_size != 1) return {Piece::shown, 1, false, false};
            [[fallthrough]];
        case '#':
        case '~':  // special at the start of a word
            if (at != 0) return {Piece::shown, 1, false, false};
            [[fallthrough]];
        case ' ':
            return {Piece::shown, 1, true, true};
        case '\'':
            return {Piece::quote, 1, true, true};
        case '!':
        case '"':
        case '$':
        case '&':
        case '(':
        case ')':
        case '*':
        case ';':
        case '<':
        case '=':
        case '>':
        case '?':
        case '[':
        case '\\':
        case '^':
        case '`':
        case '|':
            return {Piece::shown, 1, true, false};
        default:  // letters, digits, % + , - . / : @ ] _
            return {Piece::shown, 1, false, true};
    }
}

// The piece of `name` that starts at byte `at`.
Piece piece_at(const std::string &name, std::size_t at) {
    const auto c = static_cast<unsigned char>(name[at]);
    if (c >= 0x20 && c < 0x7F) return ascii_piece(name[at], at, name.size());
    const std::size_t length = utf8_sequence_length(name, at);
    const auto *const b = reinterpret_cast<const unsigned char *>(name.data()) + at;
    if (length == 0) return {Piece::escaped, 1, true, false};
    if (!is_printable(code_point(b, length))) return {Piece::escaped, length, true, false};
    return {Piece::shown, length, false, true};
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

// As GNU ls (coreutils 9.1) in its shell-escape style: a name without a character that a shell
// or a terminal would take otherwise is shown as it is; one whose only such characters are
// printable and include a single quote goes in double quotes; any other in single quotes, with
// the characters a terminal does not show as $'...' escapes.
std::string shown_name(const std::string &name) {
    bool quoted = false, has_quote = false, fits_double = true;
    Piece::Kind first = Piece::shown, last = Piece::shown;
    for (std::size_t i = 0; i < name.size();) {
        const Piece piece = piece_at(name, i);
        quoted = quoted || piece.forces_quotes;
        fits_double = fits_double && piece.fits_double_quotes;
        has_quote = has_quote || piece.kind == Piece::quote;
        if (i == 0) first = piece.kind;
        last = piece.kind;
        i += piece.size;
    }
    if (!quoted) return name;
    if (has_quote && fits_double) return '"' + name + '"';
    // ls starts a name that holds a quote and ends in an escape as if an escape were open
    // already ('''a'\''b'$'\001'). Where such a name starts with an escape, ls writes that
    // escape inside plain quotes, which a shell reads as a backslash and digits: here it is
    // opened as anywhere else.
    bool in_escape = has_quote && last == Piece::escaped && first != Piece::escaped;
    std::string out = "'";
    for (std::size_t i = 0; i < name.size();) {
        const Piece piece = piece_at(name, i);
        switch (piece.kind) {
            case Piece::escaped:
                if (!in_escape) out += "'$'";
                in_escape = true;
                for (std::size_t k = 0; k < piece.size; ++k)
                    append_escape(out, static_cast<unsigned char>(name[i + k]));
                break;
            case Piece::quote:
                out += "'\\''";
                in_escape = false;
                break;
            case Piece::shown:
                if (in_escape) out += "''";
                in_escape = false;
                out.append(name, i, piece.size);
                break;
        }
        i += piece.size;
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

std::optional<std::string> from_base64(const std::string &text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    uint32_t bits = 0;
    int held = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit = 0;
        if (c >= 'A' && c <= 'Z') {
            digit = static_cast<uint32_t>(c - 'A');
        } else if (c >= 'a' && c <= 'z') {
            digit = static_cast<uint32_t>(c - 'a' + 26);
        } else if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0' + 52);
        } else if (c == '+' || c == '/') {
            digit = c == '+' ? 62 : 63;
        } else if (c == '=' && i + 2 >= text.size()) {
            // Padding, at the end only.
            if (i + 1 < text.size() && text[i + 1] != '=') return std::nullopt;
            break;
        } else {
            return std::nullopt;
        }
        bits = bits << 6 | digit;
        held += 6;
        if (held >= 8) {
            held -= 8;
            out += static_cast<char>((bits >> held) & 0xFF);
        }
    }
    return out;
}

}  // namespace varnoke_las
