// Answers about a whole run: the summary's totals and extents, overlapping tiles, and the
// footprints' corners in longitude and latitude, from reports written out as rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "footprints.h"
#include "json_text.h"
#include "summary.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

using varnoke_las::ArchiveSummary;
using varnoke_las::FileResult;
using varnoke_las::JsonValue;
using varnoke_las::Outcome;

// A judged file of `records` points in the box min/max X and Y (Z 0 to 10), of EPSG `epsg`.
FileResult tile(const char *path, uint32_t epsg, double min_x, double max_x, double min_y,
                double max_y, uint64_t records = 100) {
    FileResult r;
    r.path = path;
    r.outcome = Outcome::ok;
    varnoke_las_report &rep = r.report;
    rep.known = VARNOKE_LAS_KNOWN_FILE | VARNOKE_LAS_KNOWN_VERSION | VARNOKE_LAS_KNOWN_LAYOUT |
                VARNOKE_LAS_KNOWN_VALUES;
    rep.version_major = 1;
    rep.version_minor = 2;
    rep.point_format = 3;
    rep.records = records;
    rep.records_by_return[0] = records;
    rep.file_size = 1000;
    const double box[6] = {max_x, min_x, max_y, min_y, 10, 0};
    for (int k = 0; k < 6; ++k) rep.box[k] = box[k];
    for (int k = 0; k < 3; ++k) rep.scale[k] = 0.01;
    rep.crs_epsg = epsg;
    rep.crs_source = epsg != 0 ? VARNOKE_LAS_CRS_GEOTIFF : VARNOKE_LAS_CRS_NONE;
    rep.crs_units = epsg == 4326 ? 9102 : 9001;
    return r;
}

TEST(ArchiveSummary, OverlapsAreAreasSharedNotEdges) {
    using Tile = ArchiveSummary::Tile;
    struct Row {
        const char *what;
        std::vector<Tile> tiles;
        uint64_t pairs;
    };
    const Row rows[] = {
        {"a row of tiles sharing edges",
         {{"a", 0, 10, 0, 10}, {"b", 10, 20, 0, 10}, {"c", 20, 30, 0, 10}},
         0},
        {"a grid sharing edges and corners",
         {{"a", 0, 10, 0, 10}, {"b", 10, 20, 0, 10}, {"c", 0, 10, 10, 20}, {"d", 10, 20, 10, 20}},
         0},
        {"a sliver of overlap in X", {{"a", 0, 10, 0, 10}, {"b", 9.99, 20, 0, 10}}, 1},
        {"X overlaps, Y apart", {{"a", 0, 10, 0, 10}, {"b", 5, 15, 10, 20}}, 0},
        {"one inside another", {{"a", 0, 100, 0, 100}, {"b", 40, 60, 40, 60}}, 1},
        {"the same tile twice", {{"a", 0, 10, 0, 10}, {"b", 0, 10, 0, 10}}, 1},
        {"three on one spot", {{"a", 0, 10, 0, 10}, {"b", 1, 11, 1, 11}, {"c", 2, 12, 2, 12}}, 3},
        {"a long tile across a row",
         {{"a", 0, 10, 0, 10}, {"b", 10, 20, 0, 10}, {"c", 20, 30, 0, 10}, {"long", 5, 25, 5, 6}},
         3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ArchiveSummary::overlaps(row.tiles, 10).first, row.pairs);
    }
    // Only the first are named, each pair once, the earlier tile first.
    const auto [pairs, named] = ArchiveSummary::overlaps(
        {{"a", 0, 10, 0, 10}, {"b", 1, 11, 1, 11}, {"c", 2, 12, 2, 12}}, 2);
    EXPECT_EQ(pairs, 3u);
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[0], (std::pair<std::size_t, std::size_t>{0, 1}));
}

// The totals are the sums of the files; extents are per CRS, never across.
TEST(ArchiveSummary, TotalsAndExtentsPerCrs) {
    ArchiveSummary summary;
    summary.add(tile("utm/a.las", 26910, 500000, 501000, 5000000, 5001000, 100));
    FileResult b = tile("utm/b.las", 26910, 501000, 502000, 5000000, 5001500, 50);
    b.outcome = Outcome::stale;
    b.report.records_by_return[1] = 20;
    b.report.warnings = VARNOKE_LAS_WARN_NO_CRS;
    summary.add(b);
    summary.add(tile("geo/c.las", 4326, -123.2, -123.1, 49.0, 49.1, 7));
    FileResult none = tile("x/d.las", 0, -2e9, 2e9, -2e9, 2e9, 3);
    none.report.scale[0] = 0.001;
    summary.add(none);
    FileResult refused;
    refused.path = "bad.las";
    summary.add(refused);

    JsonValue json;
    const std::string text = summary.json();
    ASSERT_TRUE(varnoke_las::parse_json(text, json)) << text;
    const JsonValue &s = *json.member("summary");
    EXPECT_EQ(s.member("files")->unsigned_number(), 5u);
    EXPECT_EQ(s.member("results")->member("ok")->unsigned_number(), 3u);
    EXPECT_EQ(s.member("results")->member("stale")->unsigned_number(), 1u);
    EXPECT_EQ(s.member("results")->member("refused")->unsigned_number(), 1u);
    EXPECT_EQ(s.member("points")->unsigned_number(), 160u);
    EXPECT_EQ(s.member("bytes")->unsigned_number(), 4000u);
    EXPECT_EQ(s.member("points_by_return")->items[0].unsigned_number(), 160u);
    EXPECT_EQ(s.member("points_by_return")->items[1].unsigned_number(), 20u);
    EXPECT_EQ(s.member("warnings")->member("no_crs")->unsigned_number(), 1u);
    EXPECT_EQ(s.member("versions")->member("1.2")->unsigned_number(), 4u);
    EXPECT_EQ(s.member("files_without_epsg")->unsigned_number(), 1u);
    const std::vector<JsonValue> &extents = s.member("extents")->items;
    ASSERT_EQ(extents.size(), 2u);
    // In order of EPSG code: 4326, then 26910 with the union of its two tiles.
    EXPECT_EQ(extents[0].member("crs")->member("epsg")->unsigned_number(), 4326u);
    EXPECT_EQ(extents[0].member("units")->unsigned_number(), 9102u);
    const JsonValue &utm = *extents[1].member("box");
    EXPECT_EQ(utm.member("min_x")->real(), 500000.0);
    EXPECT_EQ(utm.member("max_x")->real(), 502000.0);
    EXPECT_EQ(utm.member("max_y")->real(), 5001500.0);
    EXPECT_EQ(extents[1].member("files")->unsigned_number(), 2u);
    EXPECT_EQ(extents[1].member("overlapping_pairs")->unsigned_number(), 0u);
    // Three files share the frame of 0.01; the one of 0.001 differs and is named.
    const JsonValue &frame = *s.member("scale_offset");
    EXPECT_EQ(frame.member("files")->unsigned_number(), 3u);
    ASSERT_EQ(frame.member("differ")->items.size(), 1u);
    EXPECT_EQ(frame.member("differ")->items[0].text, "x/d.las");

    EXPECT_EQ(summary.text(),
              "summary: 5 files: 3 ok, 1 stale, 0 repaired, 0 truncated, 0 uncertain, 1 refused; "
              "1 with warnings\n"
              "warnings: no_crs 1\n"
              "versions: 1.2: 4\n"
              "point formats: 3: 4\n"
              "points: 160 in 4000 bytes; by return: 1: 160, 2: 20\n"
              "extent of EPSG:4326 (1 file, degrees): X -123.2000000 to -123.1000000, Y 49.0000000 "
              "to 49.1000000, Z 0.000 to 10.000\n"
              "extent of EPSG:26910 (2 files, metres): X 500000.000 to 502000.000, Y 5000000.000 "
              "to 5001500.000, Z 0.000 to 10.000\n"
              "without an EPSG code, in no extent: 1 file\n"
              "scale 0.01 0.01 0.01, offset 0 0 0 in 3 files; 1 differs: x/d.las\n");
}

// The corners of each footprint, in longitude and latitude: values that follow from the EPSG
// definitions themselves. Pseudo-Mercator (3857): E = R x longitude, N = R x ln(tan(45 deg +
// latitude / 2)), R = 6378137 m; UTM zone 33N (32633): easting 500000 on the central meridian,
// 15 deg E, northing 0 on the equator.
TEST(Footprints, CornersInLongitudeAndLatitude) {
    if (!varnoke_las::Footprints::available()) GTEST_SKIP() << "built without PROJ";
    ScratchDir dir;
    const std::string path = dir / "tiles.geojson";
    varnoke_las::Footprints footprints;
    std::string error;
    ASSERT_TRUE(footprints.open(path, error)) << error;
    footprints.add(tile("mercator.las", 3857, 0, 1113194.9079327357, 0, 5621521.486192066));
    footprints.add(tile("utm.laz", 32633, 500000, 600000, 0, 100000));
    footprints.add(tile("nocrs.las", 0, 0, 1, 0, 1));
    ASSERT_TRUE(footprints.close(error)) << error;

    std::ifstream in(path);
    std::stringstream whole;
    whole << in.rdbuf();
    JsonValue json;
    ASSERT_TRUE(varnoke_las::parse_json(whole.str(), json));
    const std::vector<JsonValue> &features = json.member("features")->items;
    ASSERT_EQ(features.size(), 3u);
    const auto corner = [&](std::size_t feature, std::size_t point, std::size_t axis) {
        const JsonValue &ring =
            features[feature].member("geometry")->member("coordinates")->items[0];
        return *ring.items[point].items[axis].real();
    };
    const std::size_t east = varnoke_las::Footprints::kEdgePoints, north = 2 * east;
    EXPECT_NEAR(corner(0, 0, 0), 0.0, 1e-9);
    EXPECT_NEAR(corner(0, 0, 1), 0.0, 1e-9);
    EXPECT_NEAR(corner(0, north, 0), 10.0, 1e-7);
    EXPECT_NEAR(corner(0, north, 1), 45.0, 1e-7);
    EXPECT_NEAR(corner(1, 0, 0), 15.0, 1e-9);
    EXPECT_NEAR(corner(1, 0, 1), 0.0, 1e-9);
    EXPECT_NEAR(corner(1, east, 1), 0.0, 1e-9);  // the south-east corner, on the equator too
    EXPECT_GT(corner(1, east, 0), 15.0);
    // The ring is closed, and counterclockwise (RFC 7946): east along the south side first.
    const JsonValue &ring = features[0].member("geometry")->member("coordinates")->items[0];
    EXPECT_EQ(ring.items.front().items[0].text, ring.items.back().items[0].text);
    EXPECT_EQ(ring.items.size(), 4 * east + 1);
    EXPECT_GT(corner(0, 1, 0), corner(0, 0, 0));
    // Without an EPSG code no geometry, the properties all the same.
    EXPECT_EQ(features[2].member("geometry")->kind, JsonValue::Kind::null);
    EXPECT_EQ(features[2].member("properties")->member("path")->text, "nocrs.las");

    // Read back by GDAL where it is installed (Debian's gdal-bin).
    if (std::system("ogrinfo --version > /dev/null 2>&1") == 0) {
        const std::string command = "ogrinfo -ro -al -so '" + path + "' > '" + dir / "info" + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream info(dir / "info");
        std::stringstream text;
        text << info.rdbuf();
        EXPECT_NE(text.str().find("Feature Count: 3"), std::string::npos) << text.str();
        EXPECT_NE(text.str().find("Polygon"), std::string::npos) << text.str();
    }
}

// Through the tool: tiles of two systems, the summary after the lines, alone with --quiet.
TEST(ArchiveSummary, TheToolSummarisesAFolder) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() / "tiles");
    for (const char *name : {"1.2_0.las", "laz/point-time.las.laz"}) {
        const Bytes file = read_file((testdata_dir() / name).string());
        write_file(dir / ("tiles/" + std::filesystem::path(name).filename().string()), file);
    }
    // Named, not walked: a walk on Windows shows its paths with '\'.
    const ProcessResult r = run_varnoke_las(
        {"check", "--summary", "-q", "tiles/1.2_0.las", "tiles/point-time.las.laz"}, dir.str());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out,
        "summary: 2 files: 2 ok, 0 stale, 0 repaired, 0 truncated, 0 uncertain, 0 refused; "
        "1 with warnings\n"
        "warnings: return_number_above_count 1\n"
        "versions: 1.2: 2\n"
        "point formats: 0: 1, 1: 1\n"
        "points: 1066 in 16658 bytes; by return: 1: 925, 2: 115, 3: 21, 4: 5\n"
        "extent of EPSG:26910 (1 file, metres): X 493994.870 to 494993.680, Y 4877429.620 "
        "to 4878817.020, Z 123.930 to 178.730\n"
        "extent of EPSG:26915 (1 file, metres): X 470692.440 to 470692.440, Y 4602888.900 "
        "to 4602888.900, Z 16.000 to 16.000\n"
        "scale 0.01 0.01 0.01, offset 0 0 0 in 1 file; 1 differs: tiles/point-time.las.laz\n");
}

// The JSON summary's totals are the sums of the files' lines, and the footprints hold one
// feature per file.
TEST(ArchiveSummary, JsonTotalsAreTheSumsOfTheLines) {
    ScratchDir dir;
    std::vector<std::string> args = {"check", "--json", "--summary", "-j", "2"};
    if (varnoke_las::Footprints::available()) {
        args.insert(args.end(), {"--footprints", dir / "tiles.geojson"});
    }
    for (const char *name : {"1.2_0.las", "1.2_3.las", "TO_core_last_clip.las", "laz/1815.laz",
                             "laz/simple.copc.laz", "las13-14/simple1_4.las"}) {
        args.push_back((testdata_dir() / name).string());
    }
    const ProcessResult r = run_varnoke_las(args, dir.str());
    std::vector<JsonValue> lines;
    for (std::size_t at = 0; at < r.out.size();) {
        const std::size_t end = r.out.find('\n', at);
        lines.emplace_back();
        ASSERT_TRUE(varnoke_las::parse_json(r.out.substr(at, end - at), lines.back()));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 7u);
    uint64_t points = 0, bytes = 0, by_return_1 = 0;
    for (std::size_t k = 0; k < 6; ++k) {
        points += *lines[k].member("records")->unsigned_number();
        bytes += *lines[k].member("file")->member("size")->unsigned_number();
        by_return_1 += *lines[k].member("records_by_return")->items[0].unsigned_number();
    }
    const JsonValue &summary = *lines[6].member("summary");
    EXPECT_EQ(summary.member("files")->unsigned_number(), 6u);
    EXPECT_EQ(summary.member("points")->unsigned_number(), points);
    EXPECT_EQ(summary.member("bytes")->unsigned_number(), bytes);
    EXPECT_EQ(summary.member("points_by_return")->items[0].unsigned_number(), by_return_1);
    // 26915 (1.2_0, 1.2_3), 6580+5703 (1815), 2991+6360 (COPC), 4326 (simple1_4); the clip
    // file declares none.
    EXPECT_EQ(summary.member("extents")->items.size(), 4u);
    EXPECT_EQ(summary.member("files_without_epsg")->unsigned_number(), 1u);
    if (!varnoke_las::Footprints::available()) return;
    const Bytes geojson = read_file(dir / "tiles.geojson");
    JsonValue collection;
    ASSERT_TRUE(varnoke_las::parse_json(std::string(geojson.begin(), geojson.end()), collection));
    EXPECT_EQ(collection.member("features")->items.size(), 6u);
}

}  // namespace
}  // namespace lastest
