#include "footprints.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(VARNOKE_HAVE_PROJ)
#include <proj.h>
#endif

#include "json_text.h"
#include "number_text.h"

namespace varnoke_las {

#if defined(VARNOKE_HAVE_PROJ)

namespace {

// Degrees to a nanodegree (about a millimetre), enough for a footprint.
void append_degrees(std::string &out, double value) {
    append_number(out, std::round(value * 1e9) / 1e9);
}

}  // namespace

// One PROJ context for the thread that writes, and one transformation per EPSG code met.
struct Footprints::Proj {
    PJ_CONTEXT *context = proj_context_create();
    std::map<uint32_t, PJ *> to_wgs84;  // null where PROJ cannot make one

    ~Proj() {
        for (auto &[code, pj] : to_wgs84) {
            if (pj != nullptr) proj_destroy(pj);
        }
        proj_context_destroy(context);
    }
    PJ *transformation(uint32_t epsg) {
        const auto found = to_wgs84.find(epsg);
        if (found != to_wgs84.end()) return found->second;
        const std::string source = "EPSG:" + std::to_string(epsg);
        PJ *pj = proj_create_crs_to_crs(context, source.c_str(), "EPSG:4326", nullptr);
        if (pj != nullptr) {
            // X and Y of LAS are easting and northing, longitude and latitude: the order of GIS
            // software, not the EPSG axis order.
            PJ *normalised = proj_normalize_for_visualization(context, pj);
            proj_destroy(pj);
            pj = normalised;
        }
        to_wgs84.emplace(epsg, pj);
        return pj;
    }
};

bool Footprints::available() {
    return true;
}

std::string Footprints::polygon(uint32_t epsg, double min_x, double max_x, double min_y,
                                double max_y) {
    PJ *const pj = proj_->transformation(epsg);
    if (pj == nullptr) return {};
    // The edges densified, as a straight edge in the file's system is a curve in degrees.
    const double corners[5][2] = {
        {min_x, min_y}, {max_x, min_y}, {max_x, max_y}, {min_x, max_y}, {min_x, min_y}};
    std::string out = "[[";
    for (int edge = 0; edge < 4; ++edge) {
        for (int k = 0; k < kEdgePoints + (edge == 3 ? 1 : 0); ++k) {
            const double t = static_cast<double>(k) / kEdgePoints;
            const double x = corners[edge][0] + t * (corners[edge + 1][0] - corners[edge][0]);
            const double y = corners[edge][1] + t * (corners[edge + 1][1] - corners[edge][1]);
            const PJ_COORD c = proj_trans(pj, PJ_FWD, proj_coord(x, y, 0, 0));
            if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) || c.xy.x == HUGE_VAL) {
                return {};
            }
            if (out.size() > 2) out += ',';
            out += '[';
            append_degrees(out, c.xy.x);
            out += ',';
            append_degrees(out, c.xy.y);
            out += ']';
        }
    }
    out += "]]";
    return out;
}

#else

struct Footprints::Proj {};

bool Footprints::available() {
    return false;
}

std::string Footprints::polygon(uint32_t, double, double, double, double) {
    return {};
}

#endif

Footprints::Footprints() : proj_(std::make_unique<Proj>()) {}

Footprints::~Footprints() {
    if (file_ != nullptr) std::fclose(file_);
}

bool Footprints::open(const std::string &path, std::string &error) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    failed_ = std::fputs("{\"type\":\"FeatureCollection\",\"features\":[\n", file_) < 0;
    return true;
}

void Footprints::add(const FileResult &result) {
    if (file_ == nullptr) return;
    const varnoke_las_report &r = result.report;
    const bool values = (r.known & VARNOKE_LAS_KNOWN_VALUES) != 0;
    std::string out = first_ ? "" : ",\n";
    first_ = false;
    out += "{\"type\":\"Feature\",\"geometry\":";
    std::string ring;
    if (values && r.records > 0 && r.crs_epsg != 0) {
        // The box a repair writes: MaxX, MinX, MaxY, MinY.
        ring = polygon(r.crs_epsg, r.box[1], r.box[0], r.box[3], r.box[2]);
    }
    if (ring.empty()) {
        out += "null";
    } else {
        out += "{\"type\":\"Polygon\",\"coordinates\":";
        out += ring;
        out += '}';
    }
    out += ",\"properties\":{\"path\":";
    append_json_string(out, result.path);
    out += ",\"result\":\"";
    out += result_word(result.outcome);
    out += "\",\"records\":";
    if (values) {
        append_number(out, r.records);
    } else {
        out += "null";
    }
    out += ",\"stored_records\":";
    if (values) {
        append_number(out, r.stored_records);
    } else {
        out += "null";
    }
    out += ",\"epsg\":";
    if (r.crs_epsg != 0) {
        append_number(out, uint64_t{r.crs_epsg});
    } else {
        out += "null";
    }
    out += ",\"vertical_epsg\":";
    if (r.crs_vertical_epsg != 0) {
        append_number(out, uint64_t{r.crs_vertical_epsg});
    } else {
        out += "null";
    }
    out += ",\"warnings\":[";
    const char *comma = "";
    for (unsigned bit = 0; bit < 64; ++bit) {
        if ((r.warnings >> bit & 1u) == 0) continue;
        out += comma;
        comma = ",";
        append_json_string(out, varnoke_las_warning_code(uint64_t{1} << bit));
    }
    out += "]}}";
    failed_ = failed_ || std::fwrite(out.data(), 1, out.size(), file_) != out.size();
}

bool Footprints::close(std::string &error) {
    if (file_ == nullptr) return true;
    failed_ = failed_ || std::fputs("\n]}\n", file_) < 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed) {
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace varnoke_las
