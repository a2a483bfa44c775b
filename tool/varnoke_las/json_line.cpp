// The JSON object of one file, layout 2: null wherever the report says a value was not learned.
#include <string>

#include "json_text.h"
#include "name_quoting.h"
#include "number_text.h"
#include "report_fields.h"
#include "result_line.h"

namespace varnoke_las {

namespace {

// The version of this layout, the first member of every object.
constexpr const char *kFormat = "{\"format\":2";

// The members of one object, each after a comma.
struct Members {
    std::string &out;
    void name(const char *key) {
        out += ",\"";
        out += key;
        out += "\":";
    }
    void null(const char *key) {
        name(key);
        out += "null";
    }
    void number(const char *key, uint64_t value) {
        name(key);
        append_number(out, value);
    }
    void real(const char *key, double value) {
        name(key);
        append_json_number(out, value);
    }
    void boolean(const char *key, bool value) {
        name(key);
        out += value ? "true" : "false";
    }
    template <std::size_t N>
    void numbers(const char *key, const uint64_t (&values)[N]) {
        name(key);
        out += '[';
        for (std::size_t k = 0; k < N; ++k) {
            if (k) out += ',';
            append_number(out, values[k]);
        }
        out += ']';
    }
    // A number that is 0 where nothing is stated: null then.
    void stated(const char *key, uint64_t value) {
        if (value == 0) return null(key);
        number(key, value);
    }
};

void append_signed(std::string &out, int64_t value) {
    out += std::to_string(value);
}

// {"min_x":..,"max_x":..,...}: each axis' least value first.
void append_box(std::string &out, const double (&box)[6]) {
    out += '{';
    for (const int k : {1, 0, 3, 2, 5, 4}) {
        if (k != 1) out += ',';
        out += '"';
        out += kSideKeys[k];
        out += "\":";
        append_json_number(out, box[k]);
    }
    out += '}';
}

// {"x":..,"y":..,"z":..}
void append_axes(std::string &out, const double (&values)[3]) {
    out += '{';
    for (int axis = 0; axis < 3; ++axis) {
        if (axis) out += ',';
        out += '"';
        out += kAxisKeys[axis];
        out += "\":";
        append_json_number(out, values[axis]);
    }
    out += '}';
}

void append_crs(Members &m, const varnoke_las_report &r) {
    if (r.crs_source != VARNOKE_LAS_CRS_GEOTIFF && r.crs_source != VARNOKE_LAS_CRS_WKT) {
        return m.null("crs");
    }
    m.name("crs");
    m.out += '{';
    Members crs{m.out};
    m.out += "\"epsg\":";
    if (r.crs_epsg == 0) {
        m.out += "null";
    } else {
        append_number(m.out, uint64_t{r.crs_epsg});
    }
    crs.stated("vertical", r.crs_vertical_epsg);
    crs.stated("units", r.crs_units);
    m.out +=
        r.crs_source == VARNOKE_LAS_CRS_WKT ? ",\"source\":\"wkt\"}" : ",\"source\":\"geotiff\"}";
}

// [{"code":..,"message":..}, ...] in the order of the bits; a box's sides off with their
// distance in steps, signed: {"code":"box_imprecise",...,"sides":{"max_x":0.12}}.
void append_warnings(std::string &out, const FileResult &result) {
    out += ",\"warnings\":[";
    const char *comma = "";
    for (unsigned k = 0; k < 64; ++k) {
        const uint64_t bit = uint64_t{1} << k;
        if ((result.warnings & bit) == 0) continue;
        out += comma;
        comma = ",";
        out += "{\"code\":";
        append_json_string(out, varnoke_las_warning_code(bit));
        out += ",\"message\":";
        append_json_string(out, varnoke_las_warning_text(bit));
        if (bit > VARNOKE_LAS_WARN_COUNT_UNPROVEN) {
            out += ",\"bit\":";
            append_number(out, uint64_t{k});
        }
        if (bit == VARNOKE_LAS_WARN_BOX_IMPRECISE) {
            out += ",\"sides\":{";
            const char *side_comma = "";
            for (int s = 0; s < 6; ++s) {
                if ((result.warning_sides >> s & 1u) == 0) continue;
                out += side_comma;
                side_comma = ",";
                out += '"';
                out += kSideKeys[s];
                out += "\":";
                append_json_number(out, side_steps(result.report, s));
            }
            out += '}';
        }
        out += '}';
    }
    out += ']';
}

void append_values(Members &m, const FileResult &result) {
    const varnoke_las_report &r = result.report;
    m.number("records", r.records);
    // The most the bytes allow: records where the count is exact, null where nothing bounds it
    // (a LAZ file cut inside its chunks).
    if (r.records_most != UINT64_MAX) {
        m.number("records_most", r.records_most);
    } else {
        m.null("records_most");
    }
    m.numbers("records_by_return", r.records_by_return);
    m.number("records_return_zero", r.records_return_zero);
    m.number("records_return_above", r.records_return_above);
    m.name("box");
    append_box(m.out, r.box);
    m.number("stored_records", r.stored_records);
    m.numbers("stored_records_by_return", r.stored_records_by_return);
    m.name("stored_box");
    append_box(m.out, r.stored_box);
    m.number("legacy_records", r.legacy_records);
    m.numbers("legacy_records_by_return", r.legacy_records_by_return);
    m.number("stored_legacy_records", r.stored_legacy_records);
    m.numbers("stored_legacy_records_by_return", r.stored_legacy_records_by_return);
    m.boolean("stale", result.stale != 0);
    m.boolean("truncated", r.truncated != 0);
    m.name("missing");
    m.out += '[';
    const char *comma = "";
    for (const Missing &missing : kMissing) {
        if ((r.missing & missing.bit) == 0) continue;
        m.out += comma;
        comma = ",";
        m.out += '"';
        m.out += missing.key;
        m.out += '"';
    }
    m.out += ']';
    m.number("missing_bytes", r.missing_bytes);
    m.boolean("count_uncertain", r.count_uncertain != 0);
    m.number("trailing_bytes", r.trailing_bytes);
}

void append_unknown_values(Members &m) {
    for (const char *key :
         {"records", "records_most", "records_by_return", "records_return_zero",
          "records_return_above", "box", "stored_records", "stored_records_by_return", "stored_box",
          "legacy_records", "legacy_records_by_return", "stored_legacy_records",
          "stored_legacy_records_by_return", "stale", "truncated", "missing", "missing_bytes",
          "count_uncertain", "trailing_bytes"}) {
        m.null(key);
    }
}

}  // namespace

void append_json_line(std::string &out, const FileResult &result) {
    const varnoke_las_report &r = result.report;
    const auto known = [&r](unsigned bit) { return (r.known & bit) != 0; };
    Members m{out};
    out += kFormat;
    m.name("path");
    append_json_string(out, result.path);
    if (!is_valid_utf8(result.path)) {  // the path above lost bytes: here they are
        m.name("path_bytes");
        out += '"';
        out += base64(result.path);
        out += '"';
    }
    m.name("result");
    out += '"';
    out += result_word(result.outcome);
    out += '"';
    m.name("status");
    out += std::to_string(result.status);
    m.name("error");
    if (result.outcome == Outcome::refused) {
        append_json_string(out, varnoke_las_strerror(result.status));
    } else {
        out += "null";
    }
    m.boolean("reused", result.reused);
    // The rules the result depends on beside the file's bytes, for a later run's --since.
    m.name("rules");
    out += result.strict ? "{\"strict\":true" : "{\"strict\":false";
    out += result.exact ? ",\"exact\":true}" : ",\"exact\":false}";

    const bool layout = known(VARNOKE_LAS_KNOWN_LAYOUT);
    if (known(VARNOKE_LAS_KNOWN_VERSION)) {
        m.name("version");
        out += '"' + std::to_string(r.version_major) + '.' + std::to_string(r.version_minor) + '"';
    } else {
        m.null("version");
    }
    if (layout) {
        m.number("point_format", r.point_format);
        m.number("record_length", r.record_length);
        m.boolean("compressed", r.compressed != 0);
    } else {
        for (const char *key : {"point_format", "record_length", "compressed"}) m.null(key);
    }
    if (known(VARNOKE_LAS_KNOWN_VALUES)) {
        append_values(m, result);
    } else {
        append_unknown_values(m);
    }
    m.boolean("written", r.written != 0);
    if (layout) {
        m.number("point_data_start", r.point_data_start);
        m.number("point_data_end", r.point_data_end);
        m.name("scale");
        append_axes(out, r.scale);
        m.name("offset");
        append_axes(out, r.offset);
        append_crs(m, r);
    } else {
        for (const char *key : {"point_data_start", "point_data_end", "scale", "offset", "crs"})
            m.null(key);
    }
    append_warnings(out, result);
    if (known(VARNOKE_LAS_KNOWN_FILE)) {
        m.name("file");
        out += "{\"device\":";
        append_number(out, r.file_device);
        out += ",\"inode\":";
        append_number(out, r.file_inode);
        out += ",\"size\":";
        append_number(out, r.file_size);
        out += ",\"modified_ns\":";
        append_signed(out, r.file_modified_ns);
        out += ",\"status_changed_ns\":";
        append_signed(out, r.file_status_changed_ns);
        out += '}';
    } else {
        m.null("file");
    }
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
