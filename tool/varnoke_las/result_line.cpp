#include "result_line.h"

#include <charconv>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "name_quoting.h"
#include "number_text.h"

namespace varnoke_las {

namespace {

constexpr const char *kOutcomes[] = {"ok", "stale", "repaired", "truncated", "uncertain",
                                     "refused"};
constexpr const char *kExtremes[6] = {"MaxX", "MinX", "MaxY", "MinY", "MaxZ", "MinZ"};
constexpr unsigned kKnownBits = VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BY_RETURN |
                                VARNOKE_LAS_STALE_BOX | VARNOKE_LAS_STALE_LEGACY;

const char *outcome_name(Outcome outcome) {
    return kOutcomes[static_cast<int>(outcome)];
}

// What a cut-off file lacks: in the text lines, and in JSON.
struct Missing {
    unsigned bit;
    const char *text, *key;
};
constexpr Missing kMissing[] = {
    {VARNOKE_LAS_MISSING_RECORDS, "point records", "records"},
    {VARNOKE_LAS_MISSING_CHUNK_TABLE, "LAZ chunk table", "chunk_table"},
    {VARNOKE_LAS_MISSING_EVLRS, "extended VLRs", "evlrs"},
    {VARNOKE_LAS_MISSING_WAVEFORM, "waveform data", "waveform"},
};

// The items of a line's WHAT: the first after a colon, the others after a semicolon.
struct Items {
    std::string &out;
    const char *separator = ": ";
    void next() {
        out += separator;
        separator = "; ";
    }
};

// One field whose bytes a repair writes differently: what it is, as stored and as written, and
// whether the stored value is stale or only rewritten in passing with the rest.
struct Change {
    std::string field;  // "records", "by return 3", "box MaxX", "legacy records", ...
    std::string key;    // the same for JSON: "records", "records_by_return.3", "box.MaxX", ...
    double stored_box = 0, new_box = 0;
    uint64_t stored = 0, written = 0;
    bool box = false;
    bool stale = true;
};

void append_json_number(std::string &out, double value);

// The stored or the written value of `c`; a real as JSON writes it where `json`.
void append_value(std::string &out, const Change &c, bool stored, bool json) {
    if (!c.box) {
        append_number(out, stored ? c.stored : c.written);
    } else if (json) {
        append_json_number(out, stored ? c.stored_box : c.new_box);
    } else {
        append_number(out, stored ? c.stored_box : c.new_box);
    }
}

bool las14(const varnoke_las_report &report) {
    return report.version_major > 1 || report.version_minor >= 4;
}

// Whether a repair writes the file: stale, or truncated (with --allow-truncated) with values
// to write and a count that is known.
bool to_be_written(const FileResult &result) {
    if (result.outcome == Outcome::truncated) {
        return result.stale != 0 && !result.report.count_uncertain;
    }
    return result.outcome == Outcome::stale || result.outcome == Outcome::repaired;
}

// Every field a repair of the file writes differently, in the order of the header: the count,
// the counts by return number, the box, LAS 1.4's legacy count and counts by return. Nothing
// where the file is not to be written.
std::vector<Change> changes_of(const FileResult &result) {
    std::vector<Change> changes;
    if (!to_be_written(result)) return changes;
    const varnoke_las_report &r = result.report;
    const auto count = [&](std::string field, std::string key, uint64_t stored, uint64_t written,
                           bool stale) {
        if (stored == written) return;
        Change c;
        c.field = std::move(field);
        c.key = std::move(key);
        c.stored = stored;
        c.written = written;
        c.stale = stale;
        changes.push_back(std::move(c));
    };
    count("records", "records", r.stored_records, r.records, true);
    const int numbers = las14(r) ? 15 : 5;
    for (int k = 0; k < numbers; ++k) {
        const std::string n = std::to_string(k + 1);
        count("by return " + n, "records_by_return." + n, r.stored_records_by_return[k],
              r.records_by_return[k], true);
    }
    for (int k = 0; k < 6; ++k) {
        if (!box_bits_differ(r, k)) continue;
        Change c;
        c.field = std::string("box ") + kExtremes[k];
        c.key = std::string("box.") + kExtremes[k];
        c.box = true;
        c.stored_box = r.stored_box[k];
        c.new_box = r.box[k];
        c.stale = (result.stale_sides >> k & 1u) != 0;
        changes.push_back(std::move(c));
    }
    if (las14(r)) {
        const bool stale = (result.stale & VARNOKE_LAS_STALE_LEGACY) != 0;
        count("legacy records", "legacy_records", r.stored_legacy_records, r.legacy_records, stale);
        for (int k = 0; k < 5; ++k) {
            const std::string n = std::to_string(k + 1);
            count("legacy by return " + n, "legacy_records_by_return." + n,
                  r.stored_legacy_records_by_return[k], r.legacy_records_by_return[k], stale);
        }
    }
    return changes;
}

// "records 5 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100 (in passing)", any stale bit
// this program does not know last.
void append_changes(Items &items, const FileResult &result) {
    std::string &out = items.out;
    for (const Change &c : changes_of(result)) {
        items.next();
        out += c.field;
        out += c.field.starts_with("by return") || c.field.starts_with("legacy by return") ? ": "
                                                                                            : " ";
        append_value(out, c, true, false);
        out += " -> ";
        append_value(out, c, false, false);
        if (!c.stale) out += " (in passing)";
    }
    if (const unsigned other = result.stale & ~kKnownBits; other != 0 && to_be_written(result)) {
        items.next();
        out += "stale bits 0x";
        char text[16];
        const auto end = std::to_chars(text, text + sizeof text, other, 16).ptr;
        out.append(text, end);
    }
}

// "records 1065 -> 532; by return 1: 1065 -> 532; ...; 10 bytes of a partial record", then
// what lies past the end besides point records: "missing: extended VLRs, at least 90 bytes".
// Where the count cannot be told: "records 1065 -> 532 or more", and nothing is written.
void append_truncation(std::string &out, const FileResult &result) {
    const varnoke_las_report &r = result.report;
    Items items{out};
    if (r.count_uncertain) {
        items.next();
        out += "records ";
        append_number(out, r.stored_records);
        out += " -> ";
        append_number(out, r.records);
        out += " or more";
    } else {
        append_changes(items, result);
    }
    if (r.trailing_bytes > 0) {
        items.next();
        append_number(out, r.trailing_bytes);
        out += r.trailing_bytes == 1 ? " byte of a partial record" : " bytes of a partial record";
    }
    if ((r.missing & ~VARNOKE_LAS_MISSING_RECORDS) != 0) {
        items.next();
        out += "missing: ";
        for (const Missing &m : kMissing) {
            if ((r.missing & m.bit) == 0) continue;
            out += m.text;
            out += ", ";
        }
        out += "at least ";
        append_number(out, r.missing_bytes);
        out += r.missing_bytes == 1 ? " byte" : " bytes";
    }
}

// A JSON string. Bytes that are not UTF-8 become U+FFFD; control characters are escaped.
void append_json_string(std::string &out, const std::string &text) {
    out += '"';
    const auto *const bytes = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = bytes[i];
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                constexpr char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        // A well-formed sequence of 2 to 4 bytes: no overlong form, no surrogate, at most
        // U+10FFFF.
        std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xF0 && c <= 0xF4 ? 4
                                                      : 0;
        if (length != 0 && i + length <= size) {
            const unsigned char second = bytes[i + 1];
            const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
            const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
            bool valid = second >= low && second <= high;
            for (std::size_t k = 2; valid && k < length; ++k) valid = (bytes[i + k] & 0xC0) == 0x80;
            if (valid) {
                out.append(text, i, length);
                i += length;
                continue;
            }
        }
        out += "\xEF\xBF\xBD";
        ++i;
    }
    out += '"';
}

void append_json_number(std::string &out, double value) {
    const bool finite = std::isfinite(value);
    if (!finite) out += '"';
    append_number(out, value);
    if (!finite) out += '"';
}

template <typename T, std::size_t N>
void append_json_array(std::string &out, const T (&values)[N]) {
    out += '[';
    for (std::size_t k = 0; k < N; ++k) {
        if (k) out += ',';
        if constexpr (std::is_same_v<T, double>) {
            append_json_number(out, values[k]);
        } else {
            append_number(out, values[k]);
        }
    }
    out += ']';
}

void append_field(std::string &out, const char *name, uint64_t value) {
    out += ",\"";
    out += name;
    out += "\":";
    append_number(out, value);
}

}  // namespace

void append_text_line(std::string &out, const FileResult &result) {
    out += outcome_name(result.outcome);
    out += ' ';
    out += shown_name(result.path);
    if (result.outcome == Outcome::refused) {
        out += ": ";
        out += varnoke_las_strerror(result.status);
    } else if (result.outcome == Outcome::truncated) {
        append_truncation(out, result);
    } else if (result.outcome == Outcome::uncertain) {
        // The bytes of a LAZ file's last chunk allow this count and larger ones.
        out += ": records ";
        append_number(out, result.report.stored_records);
        out += " -> ";
        append_number(out, result.report.records);
        out += " or more; the last chunk's bytes allow more than one count";
    } else if (result.outcome != Outcome::ok) {
        Items items{out};
        append_changes(items, result);
    }
    out += '\n';
}

void append_json_line(std::string &out, const FileResult &result) {
    const varnoke_las_report &r = result.report;
    out += "{\"path\":";
    append_json_string(out, result.path);
    if (!is_valid_utf8(result.path)) {  // the path above lost bytes: here they are
        out += ",\"path_bytes\":\"";
        out += base64(result.path);
        out += '"';
    }
    out += ",\"result\":\"";
    out += outcome_name(result.outcome);
    out += "\",\"status\":";
    out += std::to_string(result.status);
    out += ",\"error\":";
    if (result.outcome == Outcome::refused) {
        append_json_string(out, varnoke_las_strerror(result.status));
    } else {
        out += "null";
    }
    append_field(out, "version_major", r.version_major);
    append_field(out, "version_minor", r.version_minor);
    append_field(out, "point_format", r.point_format);
    append_field(out, "record_length", r.record_length);
    append_field(out, "records", r.records);
    out += ",\"records_by_return\":";
    append_json_array(out, r.records_by_return);
    out += ",\"box\":";
    append_json_array(out, r.box);
    append_field(out, "stored_records", r.stored_records);
    out += ",\"stored_records_by_return\":";
    append_json_array(out, r.stored_records_by_return);
    out += ",\"stored_box\":";
    append_json_array(out, r.stored_box);
    append_field(out, "stale", result.stale);
    append_field(out, "trailing_bytes", r.trailing_bytes);
    append_field(out, "written", r.written ? 1u : 0u);
    append_field(out, "point_data_start", r.point_data_start);
    append_field(out, "point_data_end", r.point_data_end);
    append_field(out, "truncated", r.truncated ? 1u : 0u);
    append_field(out, "compressed", r.compressed ? 1u : 0u);
    append_field(out, "count_uncertain", r.count_uncertain ? 1u : 0u);
    append_field(out, "stored_legacy_records", r.stored_legacy_records);
    out += ",\"stored_legacy_records_by_return\":";
    append_json_array(out, r.stored_legacy_records_by_return);
    append_field(out, "legacy_records", r.legacy_records);
    out += ",\"legacy_records_by_return\":";
    append_json_array(out, r.legacy_records_by_return);
    out += ",\"missing\":[";
    const char *listed = "";
    for (const Missing &m : kMissing) {
        if ((r.missing & m.bit) == 0) continue;
        out += listed;
        listed = ",";
        out += '"';
        out += m.key;
        out += '"';
    }
    out += ']';
    append_field(out, "missing_bytes", r.missing_bytes);
    // What a repair writes differently: every field, stale or rewritten in passing.
    out += ",\"changes\":[";
    const char *comma = "";
    for (const Change &c : changes_of(result)) {
        out += comma;
        comma = ",";
        out += "{\"field\":\"";
        out += c.key;
        out += "\",\"stored\":";
        append_value(out, c, true, true);
        out += ",\"new\":";
        append_value(out, c, false, true);
        out += c.stale ? ",\"stale\":true}" : ",\"stale\":false}";
    }
    out += "]}\n";
}

}  // namespace varnoke_las
