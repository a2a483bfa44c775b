// JSON as varnoke-las writes and reads it: strings that keep every name readable, numbers that
// read back to the same bits, and a small reader for the tool's own reports.
#ifndef VARNOKE_LAS_JSON_TEXT_H
#define VARNOKE_LAS_JSON_TEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnoke_las {

// A JSON string. Bytes that are not UTF-8 become U+FFFD; control characters are escaped.
void append_json_string(std::string &out, const std::string &text);

// A number in the shortest form that reads back to the same bits; a value that is not finite
// as a string ("inf", "-inf", "nan"), which JSON has no number for.
void append_json_number(std::string &out, double value);

struct JsonMember;

// A value read from JSON text. Numbers keep their text, read as the type a field needs.
struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    bool boolean = false;
    std::string text;  // a string's value, or a number's text
    std::vector<JsonValue> items;
    // In the order written; a name given twice keeps its last value.
    std::vector<JsonMember> members;

    const JsonValue *member(std::string_view name) const;
    std::optional<uint64_t> unsigned_number() const;
    std::optional<int64_t> signed_number() const;
    // A number, or one of the strings append_json_number writes for values that are not finite.
    std::optional<double> real() const;
};

// A member of an object: a named value, complete only once the value's type is (a pair of a
// type not yet complete is refused by some standard libraries).
struct JsonMember {
    std::string name;
    JsonValue value;
};

// Reads one JSON value filling all of `text` (spaces around it allowed); false where the text is
// not JSON or nests deeper than 64 levels.
bool parse_json(std::string_view text, JsonValue &out);

}  // namespace varnoke_las

#endif
