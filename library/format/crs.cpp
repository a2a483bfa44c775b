#include "crs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "header_bytes.h"

namespace varnoke {

namespace {

// GeoTIFF keys (GeoTIFF 1.0, section 6.2).
constexpr uint16_t kModelType = 1024;
constexpr uint16_t kGeographicType = 2048;
constexpr uint16_t kGeodeticDatum = 2050;
constexpr uint16_t kAngularUnits = 2054;
constexpr uint16_t kEllipsoid = 2056;
constexpr uint16_t kProjectedType = 3072;
constexpr uint16_t kProjection = 3074;
constexpr uint16_t kCoordTransform = 3075;
constexpr uint16_t kLinearUnits = 3076;
constexpr uint16_t kVerticalType = 4096;
constexpr uint16_t kUserDefined = 32767;
constexpr uint16_t kModelProjected = 1, kModelGeographic = 2;

// A code that names an EPSG entry: neither "undefined" (0) nor "user-defined" (32767).
uint32_t code_of(uint16_t value) {
    return value != 0 && value != kUserDefined ? value : 0;
}

// An EPSG unit of measure (codes 9001 to 9299; some writers put other codes in the unit keys),
// the degree as 9102 (9122 is the same unit "as the supplier represents it").
uint32_t same_unit(uint32_t code) {
    if (code < 9001 || code > 9299) return 0;
    return code == 9122 ? kDegree : code;
}

}  // namespace

GeoKeys parse_geokeys(const unsigned char *payload, std::size_t size) {
    GeoKeys out;
    const std::size_t values = size / 2;
    if (values < 4 || load<uint16_t>(payload, 0) != 1) return out;
    const std::size_t keys = std::min<std::size_t>(load<uint16_t>(payload, 6), (values - 4) / 4);
    uint16_t found[5] = {};  // model type, geographic, projected, linear and angular units
    for (std::size_t k = 0; k < keys; ++k) {
        const std::size_t at = 8 + 8 * k;
        const uint16_t id = load<uint16_t>(payload, at);
        // Values held elsewhere (in the double or ASCII parameters) are names or numbers that no
        // EPSG code comes from.
        if (load<uint16_t>(payload, at + 2) != 0) continue;
        const uint16_t value = load<uint16_t>(payload, at + 6);
        switch (id) {
            case kModelType:
                found[0] = value;
                break;
            case kGeographicType:
                found[1] = value;
                out.names_crs = true;
                break;
            case kProjectedType:
                found[2] = value;
                out.names_crs = true;
                break;
            case kLinearUnits:
                found[3] = value;
                break;
            case kAngularUnits:
                found[4] = value;
                break;
            case kGeodeticDatum:
            case kEllipsoid:
            case kProjection:
            case kCoordTransform:
                out.names_crs = true;
                break;
            case kVerticalType:
                out.crs.vertical = code_of(value);
                break;
            default:
                break;
        }
    }
    const bool projected = found[2] != 0 || found[0] == kModelProjected;
    out.crs.epsg = code_of(found[2]) != 0 ? code_of(found[2]) : code_of(found[1]);
    if (projected && found[0] != kModelGeographic) {
        out.crs.units = same_unit(code_of(found[3]));
    } else if (found[1] != 0 || found[0] == kModelGeographic) {
        out.crs.units = same_unit(code_of(found[4]));
    }
    return out;
}

namespace {

// A WKT node: KEYWORD[value, value, NODE[...], ...], brackets or parentheses.
struct WktNode {
    std::string keyword;  // upper case
    std::vector<std::string> values;
    std::vector<WktNode> children;
};

// Deep enough for every CRS written; deeper texts are refused rather than recursed into.
constexpr int kDeepestWkt = 32;

class WktReader {
public:
    explicit WktReader(std::string_view text) : text_(text) {}

    bool node(WktNode &out, int depth) {
        if (depth > kDeepestWkt) return false;
        skip_space();
        const std::size_t begin = at_;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_')) {
            ++at_;
        }
        if (at_ == begin) return false;
        out.keyword.assign(text_.substr(begin, at_ - begin));
        for (char &c : out.keyword)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        skip_space();
        if (at_ >= text_.size() || (text_[at_] != '[' && text_[at_] != '(')) return false;
        const char close = text_[at_] == '[' ? ']' : ')';
        ++at_;
        for (;;) {
            skip_space();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == '"') {
                std::string value;
                if (!quoted(value)) return false;
                out.values.push_back(std::move(value));
            } else if (starts_node()) {
                out.children.emplace_back();
                if (!node(out.children.back(), depth + 1)) return false;
            } else {
                const std::size_t from = at_;
                while (at_ < text_.size() && text_[at_] != ',' && text_[at_] != close &&
                       !std::isspace(static_cast<unsigned char>(text_[at_]))) {
                    ++at_;
                }
                out.values.emplace_back(text_.substr(from, at_ - from));
            }
            skip_space();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == close) {
                ++at_;
                return true;
            }
            if (text_[at_] != ',') return false;
            ++at_;
        }
    }

private:
    void skip_space() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    // A keyword followed by an opening bracket.
    bool starts_node() const {
        std::size_t k = at_;
        while (k < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[k])) || text_[k] == '_')) {
            ++k;
        }
        if (k == at_ || !std::isalpha(static_cast<unsigned char>(text_[at_]))) return false;
        while (k < text_.size() && std::isspace(static_cast<unsigned char>(text_[k]))) ++k;
        return k < text_.size() && (text_[k] == '[' || text_[k] == '(');
    }
    // A string in double quotes, a doubled quote standing for one.
    bool quoted(std::string &value) {
        ++at_;
        while (at_ < text_.size()) {
            if (text_[at_] == '"') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
                    value += '"';
                    at_ += 2;
                    continue;
                }
                ++at_;
                return true;
            }
            value += text_[at_++];
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

bool is_one_of(const std::string &keyword, std::initializer_list<const char *> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](const char *name) { return keyword == name; });
}

bool horizontal(const WktNode &n) {
    return is_one_of(n.keyword, {"PROJCS", "GEOGCS", "GEOCCS", "PROJCRS", "PROJECTEDCRS", "GEOGCRS",
                                 "GEOGRAPHICCRS", "GEODCRS", "GEODETICCRS"});
}

bool vertical(const WktNode &n) {
    return is_one_of(n.keyword, {"VERT_CS", "VERTCS", "VERTCRS", "VERTICALCRS"});
}

uint32_t number(const std::string &text) {
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > 429496728u) return 0;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value;
}

// The EPSG code a node carries as its own identifier: AUTHORITY["EPSG","n"] or ID["EPSG",n].
uint32_t epsg_of(const WktNode &n) {
    for (const WktNode &child : n.children) {
        if (!is_one_of(child.keyword, {"AUTHORITY", "ID"}) || child.values.size() < 2) continue;
        std::string authority = child.values[0];
        for (char &c : authority)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (authority == "EPSG") return number(child.values[1]);
    }
    return 0;
}

std::string folded(const std::string &name) {
    std::string out;
    for (const char c : name) {
        if (c == ' ' || c == '_' || c == '-') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// A unit node: its own EPSG code, else its name, else its factor to metres or radians.
uint32_t unit_code(const WktNode &unit) {
    if (const uint32_t code = epsg_of(unit)) return same_unit(code);
    if (unit.values.empty()) return 0;
    const std::string name = folded(unit.values[0]);
    if (name == "metre" || name == "meter" || name == "m" || name == "metres" || name == "meters")
        return kMetre;
    if (name == "foot" || name == "feet" || name == "ft" || name == "internationalfoot" ||
        name == "footinternational")
        return kFoot;
    if (name == "ussurveyfoot" || name == "footus" || name == "ussurveyfeet" ||
        name == "foot(ussurvey)" || name == "usfoot")
        return kUsSurveyFoot;
    if (name == "degree" || name == "degrees" || name == "deg") return kDegree;
    if (unit.values.size() < 2) return 0;
    const double factor = std::strtod(unit.values[1].c_str(), nullptr);
    const auto near = [&](double value) { return std::fabs(factor - value) <= 1e-12 * value; };
    if (near(1.0)) return kMetre;
    if (near(0.3048)) return kFoot;
    if (near(1200.0 / 3937.0)) return kUsSurveyFoot;
    if (near(0.017453292519943295)) return kDegree;
    return 0;
}

bool unit_node(const WktNode &n) {
    return is_one_of(n.keyword, {"UNIT", "LENGTHUNIT", "ANGLEUNIT"});
}

// The unit of a horizontal system's axes: a unit among its own items (WKT 1, and WKT 2 where all
// axes share one), else the first axis's.
uint32_t units_of(const WktNode &crs) {
    for (const WktNode &child : crs.children) {
        if (unit_node(child)) return unit_code(child);
    }
    for (const WktNode &child : crs.children) {
        if (child.keyword != "AXIS") continue;
        for (const WktNode &item : child.children) {
            if (unit_node(item)) return unit_code(item);
        }
    }
    return 0;
}

void read_crs(const WktNode &n, Crs &out, int depth) {
    if (depth > kDeepestWkt) return;
    if (horizontal(n)) {
        if (out.epsg == 0) out.epsg = epsg_of(n);
        if (out.units == 0) out.units = units_of(n);
    } else if (vertical(n)) {
        if (out.vertical == 0) out.vertical = epsg_of(n);
    } else if (is_one_of(n.keyword, {"COMPD_CS", "COMPOUNDCRS", "BOUNDCRS", "SOURCECRS"})) {
        // A compound names its parts; a bound system (WKT 2) its source.
        for (const WktNode &child : n.children) read_crs(child, out, depth + 1);
    }
}

}  // namespace

Crs parse_wkt(const char *text, std::size_t size) {
    const std::size_t length = static_cast<std::size_t>(std::find(text, text + size, '\0') - text);
    WktReader reader(std::string_view(text, length));
    WktNode root;
    Crs out;
    if (!reader.node(root, 0)) return out;
    read_crs(root, out, 0);
    return out;
}

}  // namespace varnoke
