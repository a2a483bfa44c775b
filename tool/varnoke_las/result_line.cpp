#include "result_line.h"

#include <charconv>
#include <cmath>
#include <type_traits>

#include "name_quoting.h"
#include "number_text.h"

namespace varnoke_las {

namespace {

constexpr const char *kOutcomes[] = {"ok", "stale", "repaired", "refused"};
constexpr const char *kExtremes[6] = {"MaxX", "MinX", "MaxY", "MinY", "MaxZ", "MinZ"};
constexpr unsigned kKnownBits = VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BY_RETURN |
                                VARNOKE_LAS_STALE_BOX | VARNOKE_LAS_STALE_LEGACY;

const char *outcome_name(Outcome outcome) {
    return kOutcomes[static_cast<int>(outcome)];
}

template <typename T>
void append_change(std::string &out, T stored, T counted) {
    append_number(out, stored);
    out += " -> ";
    append_number(out, counted);
}

// What differs, stored -> counted, in this order: the count, the counts by return number, the
// box, the legacy counts and any stale bit this program does not know. A repair writes the
// whole box, so for a repaired file every extreme whose bits changed is listed.
void append_changes(std::string &out, const FileResult &result) {
    const varnoke_las_report &report = result.report;
    const char *separator = ": ";
    const auto item = [&](const char *what) {
        out += separator;
        out += what;
        separator = "; ";
    };
    if (result.stale & VARNOKE_LAS_STALE_COUNT) {
        item("records ");
        append_change(out, report.stored_records, report.records);
    }
    if (result.stale & VARNOKE_LAS_STALE_BY_RETURN) {
        // The header holds counts for return numbers 1 to 5, and from LAS 1.4 on 1 to 15.
        const bool fifteen = report.version_major > 1 || report.version_minor >= 4;
        for (int k = 0; k < (fifteen ? 15 : 5); ++k) {
            if (report.stored_records_by_return[k] == report.records_by_return[k]) continue;
            item("by return ");
            append_number(out, static_cast<uint64_t>(k + 1));
            out += ": ";
            append_change(out, report.stored_records_by_return[k], report.records_by_return[k]);
        }
    }
    if (result.outcome == Outcome::repaired || (result.stale & VARNOKE_LAS_STALE_BOX)) {
        for (int k = 0; k < 6; ++k) {
            if (!box_bits_differ(report, k)) continue;
            item("box ");
            out += kExtremes[k];
            out += ' ';
            append_change(out, report.stored_box[k], report.box[k]);
        }
    }
    if (result.stale & VARNOKE_LAS_STALE_LEGACY) item("legacy counts");
    if (const unsigned other = result.stale & ~kKnownBits) {
        item("stale bits 0x");
        char text[16];
        const auto end = std::to_chars(text, text + sizeof text, other, 16).ptr;
        out.append(text, end);
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
    } else if (result.outcome != Outcome::ok) {
        append_changes(out, result);
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
    out += "}\n";
}

}  // namespace varnoke_las
