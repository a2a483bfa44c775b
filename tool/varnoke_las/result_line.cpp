#include "result_line.h"

#include <charconv>
#include <cmath>
#include <string>

#include "name_quoting.h"
#include "number_text.h"
#include "report_fields.h"

namespace varnoke_las {

namespace {

constexpr unsigned kKnownBits = VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BY_RETURN |
                                VARNOKE_LAS_STALE_BOX | VARNOKE_LAS_STALE_LEGACY;

// The items of a line's WHAT: the first after a colon, the others after a semicolon.
struct Items {
    std::string &out;
    const char *separator = ": ";
    void next() {
        out += separator;
        separator = "; ";
    }
};

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
    if (count_open(r)) {
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

// "3 points of return number 0", "1 point of ...".
void append_points(std::string &out, uint64_t points, const char *what) {
    append_number(out, points);
    out += points == 1 ? " point of " : " points of ";
    out += what;
}

// The short name of each warning; the box's sides with their distance in steps, two digits.
void append_warning(std::string &out, const FileResult &result, uint64_t bit) {
    const varnoke_las_report &r = result.report;
    switch (bit) {
        case VARNOKE_LAS_WARN_BOX_IMPRECISE: {
            // "box MaxX 0.12, MinY 0.031 step off"
            out += "box";
            const char *comma = " ";
            for (int k = 0; k < 6; ++k) {
                if ((result.warning_sides >> k & 1u) == 0) continue;
                out += comma;
                comma = ", ";
                out += kSideNames[k];
                out += ' ';
                char text[32];
                const auto end =
                    std::to_chars(text, text + sizeof text, std::fabs(side_steps(r, k)),
                                  std::chars_format::general, 2)
                        .ptr;
                out.append(text, end);
            }
            out += " step off";
            return;
        }
        case VARNOKE_LAS_WARN_LEGACY_SET:
            out += "legacy counts set";
            return;
        case VARNOKE_LAS_WARN_EMPTY_BOX:
            out += "box not zero without points";
            return;
        case VARNOKE_LAS_WARN_NO_CRS:
            out += "no CRS";
            return;
        case VARNOKE_LAS_WARN_GEOKEYS_EMPTY:
            out += "GeoKeys name no CRS";
            return;
        case VARNOKE_LAS_WARN_WKT_MISSING:
            out += "WKT bit without WKT";
            return;
        case VARNOKE_LAS_WARN_WKT_REQUIRED:
            out += "WKT required for point format ";
            append_number(out, uint64_t{r.point_format});
            return;
        case VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT:
            out += "VLRs do not fit";
            return;
        case VARNOKE_LAS_WARN_RETURN_ZERO:
            append_points(out, r.records_return_zero, "return number 0");
            return;
        case VARNOKE_LAS_WARN_RETURN_ABOVE:
            append_points(out, r.records_return_above, "return number above number of returns");
            return;
        case VARNOKE_LAS_WARN_RESERVED_ENCODING:
            out += "reserved encoding bits set";
            return;
        case VARNOKE_LAS_WARN_COUNT_UNPROVEN:
            out += "count unproven";
            return;
        default:
            return;
    }
}

// "; warnings: no CRS, legacy counts set", in the order of the bits; bits this program does not
// know last, in hexadecimal.
void append_warnings(std::string &out, const FileResult &result) {
    if (result.warnings == 0) return;
    out += "; warnings: ";
    const char *comma = "";
    uint64_t unknown = 0;
    for (unsigned k = 0; k < 64; ++k) {
        const uint64_t bit = uint64_t{1} << k;
        if ((result.warnings & bit) == 0) continue;
        if (bit > VARNOKE_LAS_WARN_COUNT_UNPROVEN) {
            unknown |= bit;
            continue;
        }
        out += comma;
        comma = ", ";
        append_warning(out, result, bit);
    }
    if (unknown != 0) {
        out += comma;
        out += "warning bits 0x";
        char text[24];
        const auto end = std::to_chars(text, text + sizeof text, unknown, 16).ptr;
        out.append(text, end);
    }
}

}  // namespace

void append_text_line(std::string &out, const FileResult &result) {
    out += result_word(result.outcome);
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
    if (result.outcome != Outcome::refused) append_warnings(out, result);
    out += '\n';
}

}  // namespace varnoke_las
