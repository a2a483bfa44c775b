#include "summary.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <limits>
#include <numeric>

#include "json_text.h"
#include "name_quoting.h"
#include "number_text.h"
#include "report_fields.h"

namespace varnoke_las {

namespace {

bool known(const varnoke_las_report &r, unsigned bits) {
    return (r.known & bits) == bits;
}

// The name of an EPSG unit of measure as the summary writes it.
const char *unit_name(uint32_t units) {
    switch (units) {
        case 9001:
            return "metres";
        case 9002:
            return "feet";
        case 9003:
            return "US survey feet";
        case 9102:
            return "degrees";
        default:
            return "units not stated";
    }
}

void append_crs_name(std::string &out, uint32_t epsg, uint32_t vertical) {
    out += "EPSG:";
    append_number(out, uint64_t{epsg});
    if (vertical == 0) return;
    out += '+';
    append_number(out, uint64_t{vertical});
}

void append_count(std::string &out, uint64_t value) {
    append_number(out, value);
}

// A coordinate as people read it: fixed notation, as few digits as read back to the same bits.
void append_real(std::string &out, double value) {
    char text[400];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (error == std::errc()) {
        out.append(text, end);
    } else {
        append_number(out, value);
    }
}

// An extent's side as people read it: to the millimetre (or thousandth of a foot), to about a
// centimetre in degrees. JSON keeps every bit.
void append_coordinate(std::string &out, double value, bool degrees) {
    char text[64];
    std::snprintf(text, sizeof text, degrees ? "%.7f" : "%.3f", value);
    out += text;
}

}  // namespace

void ArchiveSummary::add(const FileResult &result, bool reused) {
    const varnoke_las_report &r = result.report;
    ++results_[static_cast<std::size_t>(result.outcome)];
    if (reused) ++reused_;
    if (r.warnings != 0) ++with_warnings_;
    for (unsigned bit = 0; bit < 64; ++bit) {
        if ((r.warnings >> bit & 1u) != 0)
            ++warnings_[varnoke_las_warning_code(uint64_t{1} << bit)];
    }
    if (known(r, VARNOKE_LAS_KNOWN_FILE)) bytes_ += r.file_size;
    if (known(r, VARNOKE_LAS_KNOWN_VERSION)) {
        ++versions_[std::to_string(r.version_major) + "." + std::to_string(r.version_minor)];
    }
    if (!known(r, VARNOKE_LAS_KNOWN_LAYOUT)) return;
    ++formats_[std::to_string(r.point_format)];
    const Frame frame{r.scale[0], r.scale[1], r.scale[2], r.offset[0], r.offset[1], r.offset[2]};
    std::array<uint64_t, 6> bits{};
    for (std::size_t k = 0; k < 6; ++k) bits[k] = std::bit_cast<uint64_t>(frame[k]);
    ++frames_[bits];
    frame_of_file_.emplace_back(result.path, frame);

    if (!known(r, VARNOKE_LAS_KNOWN_VALUES)) return;
    points_ += r.records;
    return_zero_ += r.records_return_zero;
    for (std::size_t k = 0; k < 15; ++k) by_return_[k] += r.records_by_return[k];
    // Extents only of systems that have a code: without one, two files' units are unknown.
    if (r.crs_epsg == 0) {
        ++without_crs_;
        return;
    }
    Extent &extent = extents_[{r.crs_epsg, r.crs_vertical_epsg}];
    if (extent.files == 0) {
        extent.units = r.crs_units;
        constexpr double kInf = std::numeric_limits<double>::infinity();
        for (int k = 0; k < 6; ++k) extent.box[k] = k % 2 == 0 ? kInf : -kInf;
    } else if (extent.units != r.crs_units) {
        extent.mixed_units = true;
    }
    ++extent.files;
    if (r.records == 0) return;
    // The box as a repair writes it: MaxX, MinX, MaxY, MinY, MaxZ, MinZ.
    for (int axis = 0; axis < 3; ++axis) {
        extent.box[2 * axis] = std::min(extent.box[2 * axis], r.box[2 * axis + 1]);
        extent.box[2 * axis + 1] = std::max(extent.box[2 * axis + 1], r.box[2 * axis]);
    }
    extent.tiles.push_back({result.path, r.box[1], r.box[0], r.box[3], r.box[2]});
}

std::pair<uint64_t, std::vector<std::pair<std::size_t, std::size_t>>> ArchiveSummary::overlaps(
    std::vector<Tile> tiles, std::size_t named) {
    std::vector<std::size_t> order(tiles.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return tiles[a].min_x < tiles[b].min_x || (tiles[a].min_x == tiles[b].min_x && a < b);
    });
    uint64_t count = 0;
    std::vector<std::pair<std::size_t, std::size_t>> first;
    std::vector<std::size_t> open;  // tiles whose X range may still meet the next ones
    for (const std::size_t k : order) {
        const Tile &t = tiles[k];
        // Tiles that end where this one starts share an edge at most.
        std::erase_if(open, [&](std::size_t o) { return tiles[o].max_x <= t.min_x; });
        for (const std::size_t o : open) {
            const Tile &u = tiles[o];
            if (u.min_y < t.max_y && t.min_y < u.max_y) {
                ++count;
                if (first.size() < named) first.emplace_back(std::min(o, k), std::max(o, k));
            }
        }
        open.push_back(k);
    }
    std::sort(first.begin(), first.end());
    return {count, first};
}

ArchiveSummary::Majority ArchiveSummary::majority() const {
    Majority m;
    const auto most =
        std::max_element(frames_.begin(), frames_.end(),
                         [](const auto &a, const auto &b) { return a.second < b.second; });
    if (most == frames_.end()) return m;
    m.any = true;
    m.files = most->second;
    for (std::size_t k = 0; k < 6; ++k) m.frame[k] = std::bit_cast<double>(most->first[k]);
    for (const auto &[path, other] : frame_of_file_) {
        bool same = true;
        for (std::size_t k = 0; k < 6; ++k) {
            same = same && std::bit_cast<uint64_t>(other[k]) == most->first[k];
        }
        if (same) continue;
        if (m.differ++ < kNamed) m.named.push_back(path);
    }
    return m;
}

std::string ArchiveSummary::text() const {
    std::string out = "summary: ";
    const uint64_t files = std::accumulate(results_.begin(), results_.end(), uint64_t{0});
    append_count(out, files);
    out += files == 1 ? " file:" : " files:";
    for (std::size_t k = 0; k < 6; ++k) {
        out += k == 0 ? " " : ", ";
        append_count(out, results_[k]);
        out += ' ';
        out += result_word(static_cast<Outcome>(k));
    }
    out += "; ";
    append_count(out, with_warnings_);
    out += " with warnings";
    if (reused_ > 0) {
        out += "; ";
        append_count(out, reused_);
        out += " reused from the earlier report";
    }
    out += '\n';
    if (!warnings_.empty()) {
        out += "warnings:";
        const char *separator = " ";
        for (const auto &[code, n] : warnings_) {
            out += separator;
            separator = ", ";
            out += code;
            out += ' ';
            append_count(out, n);
        }
        out += '\n';
    }
    const auto counts = [&](const char *title, const std::map<std::string, uint64_t> &by) {
        out += title;
        const char *separator = " ";
        for (const auto &[name, n] : by) {
            out += separator;
            separator = ", ";
            out += name;
            out += ": ";
            append_count(out, n);
        }
        if (by.empty()) out += " none";
        out += '\n';
    };
    counts("versions:", versions_);
    counts("point formats:", formats_);
    out += "points: ";
    append_count(out, points_);
    out += " in ";
    append_count(out, bytes_);
    out += " bytes; by return:";
    const char *separator = " ";
    for (std::size_t k = 0; k < 15; ++k) {
        if (by_return_[k] == 0) continue;
        out += separator;
        separator = ", ";
        append_count(out, k + 1);
        out += ": ";
        append_count(out, by_return_[k]);
    }
    if (return_zero_ > 0) {
        out += "; return number 0: ";
        append_count(out, return_zero_);
    }
    out += '\n';
    for (const auto &[crs, extent] : extents_) {
        out += "extent of ";
        append_crs_name(out, crs.first, crs.second);
        out += " (";
        append_count(out, extent.files);
        out += extent.files == 1 ? " file, " : " files, ";
        out += extent.mixed_units ? "units differ" : unit_name(extent.units);
        out += ")";
        if (extent.tiles.empty()) {
            out += ": no points\n";
            continue;
        }
        const bool degrees = extent.units == 9102 && !extent.mixed_units;
        for (int axis = 0; axis < 3; ++axis) {
            out += axis == 0 ? ": " : ", ";
            out += static_cast<char>('X' + axis);
            out += ' ';
            append_coordinate(out, extent.box[2 * axis], degrees && axis < 2);
            out += " to ";
            append_coordinate(out, extent.box[2 * axis + 1], degrees && axis < 2);
        }
        out += '\n';
        const auto [pairs, first] = overlaps(extent.tiles, kNamed);
        if (pairs == 0) continue;
        out += "  ";
        append_count(out, pairs);
        out += pairs == 1 ? " pair of tiles overlaps:" : " pairs of tiles overlap:";
        for (const auto &[a, b] : first) {
            out += ' ';
            out += shown_name(extent.tiles[a].path);
            out += " & ";
            out += shown_name(extent.tiles[b].path);
            out += ';';
        }
        out.back() = '\n';
    }
    if (without_crs_ > 0) {
        out += "without an EPSG code, in no extent: ";
        append_count(out, without_crs_);
        out += without_crs_ == 1 ? " file\n" : " files\n";
    }
    // The scales and offsets most files share, and the files that differ from them.
    if (const Majority m = majority(); m.any) {
        out += "scale ";
        for (std::size_t k = 0; k < 6; ++k) {
            if (k == 3)
                out += ", offset ";
            else if (k > 0)
                out += ' ';
            append_real(out, m.frame[k]);
        }
        out += " in ";
        append_count(out, m.files);
        out += m.files == 1 ? " file" : " files";
        if (m.differ > 0) {
            out += "; ";
            append_count(out, m.differ);
            out += m.differ == 1 ? " differs:" : " differ:";
            for (std::size_t k = 0; k < m.named.size(); ++k) {
                out += k == 0 ? " " : ", ";
                out += shown_name(m.named[k]);
            }
            if (m.differ > m.named.size()) out += ", ...";
        }
        out += '\n';
    }
    return out;
}

std::string ArchiveSummary::json() const {
    std::string out = "{\"format\":2,\"summary\":{\"files\":";
    const uint64_t files = std::accumulate(results_.begin(), results_.end(), uint64_t{0});
    append_count(out, files);
    out += ",\"results\":{";
    for (std::size_t k = 0; k < 6; ++k) {
        if (k > 0) out += ',';
        out += '"';
        out += result_word(static_cast<Outcome>(k));
        out += "\":";
        append_count(out, results_[k]);
    }
    out += "},\"files_with_warnings\":";
    append_count(out, with_warnings_);
    const auto counts = [&](const char *name, const std::map<std::string, uint64_t> &by) {
        out += ",\"";
        out += name;
        out += "\":{";
        const char *comma = "";
        for (const auto &[key, n] : by) {
            out += comma;
            comma = ",";
            append_json_string(out, key);
            out += ':';
            append_count(out, n);
        }
        out += '}';
    };
    counts("warnings", warnings_);
    counts("versions", versions_);
    counts("point_formats", formats_);
    out += ",\"points\":";
    append_count(out, points_);
    out += ",\"bytes\":";
    append_count(out, bytes_);
    out += ",\"points_by_return\":[";
    for (std::size_t k = 0; k < 15; ++k) {
        if (k > 0) out += ',';
        append_count(out, by_return_[k]);
    }
    out += "],\"points_return_zero\":";
    append_count(out, return_zero_);
    out += ",\"extents\":[";
    const char *comma = "";
    for (const auto &[crs, extent] : extents_) {
        out += comma;
        comma = ",";
        out += "{\"crs\":{\"epsg\":";
        append_count(out, crs.first);
        out += ",\"vertical\":";
        if (crs.second != 0) {
            append_count(out, crs.second);
        } else {
            out += "null";
        }
        out += "},\"units\":";
        if (extent.units != 0 && !extent.mixed_units) {
            append_count(out, extent.units);
        } else {
            out += "null";
        }
        out += ",\"files\":";
        append_count(out, extent.files);
        out += ",\"box\":";
        if (extent.tiles.empty()) {
            out += "null";
        } else {
            out += '{';
            for (int k = 0; k < 6; ++k) {
                if (k > 0) out += ',';
                out += k % 2 == 0 ? "\"min_" : "\"max_";
                out += kAxisKeys[k / 2];
                out += "\":";
                append_json_number(out, extent.box[k]);
            }
            out += '}';
        }
        const auto [pairs, first] = overlaps(extent.tiles, kNamed);
        out += ",\"overlapping_pairs\":";
        append_count(out, pairs);
        out += ",\"first_overlaps\":[";
        for (std::size_t k = 0; k < first.size(); ++k) {
            if (k > 0) out += ',';
            out += '[';
            append_json_string(out, extent.tiles[first[k].first].path);
            out += ',';
            append_json_string(out, extent.tiles[first[k].second].path);
            out += ']';
        }
        out += "]}";
    }
    out += "],\"files_without_epsg\":";
    append_count(out, without_crs_);
    out += ",\"scale_offset\":";
    if (const Majority m = majority(); !m.any) {
        out += "null";
    } else {
        out += "{\"scale\":{";
        for (std::size_t k = 0; k < 6; ++k) {
            if (k == 3)
                out += "},\"offset\":{";
            else if (k > 0)
                out += ',';
            out += '"';
            out += kAxisKeys[k % 3];
            out += "\":";
            append_json_number(out, m.frame[k]);
        }
        out += "},\"files\":";
        append_count(out, m.files);
        out += ",\"differ\":[";
        for (std::size_t k = 0; k < m.named.size(); ++k) {
            if (k > 0) out += ',';
            append_json_string(out, m.named[k]);
        }
        out += "],\"files_differing\":";
        append_count(out, m.differ);
        out += '}';
    }
    out += ",\"reused\":";
    append_count(out, reused_);
    out += "}}\n";
    return out;
}

}  // namespace varnoke_las
