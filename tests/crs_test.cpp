// The coordinate reference system a file declares, and the warnings its header earns: rows of
// GeoTIFF keys and WKT texts written out, with the EPSG codes they carry as literals.
#include "crs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "header_warnings.h"
#include "support/las_file.h"
#include "support/scratch.h"

namespace lastest {
namespace {

using varnoke::Crs;
using varnoke::CrsRecords;
using varnoke::PointLayout;

// A GeoKeyDirectory of version 1 holding `keys` as {id, location, count, value}.
std::vector<unsigned char> directory(std::vector<std::vector<uint16_t>> keys, int claimed = -1) {
    std::vector<uint16_t> shorts = {
        1, 1, 0,
        static_cast<uint16_t>(claimed < 0 ? keys.size() : static_cast<std::size_t>(claimed))};
    for (const auto &key : keys) shorts.insert(shorts.end(), key.begin(), key.end());
    std::vector<unsigned char> bytes(shorts.size() * 2);
    std::memcpy(bytes.data(), shorts.data(), bytes.size());
    return bytes;
}

struct KeysRow {
    const char *what;
    std::vector<unsigned char> payload;
    uint32_t epsg, vertical, units;
    bool names_crs;
};

TEST(DeclaredCrs, GeoKeysGiveTheProjectedElseTheGeographicCode) {
    const KeysRow rows[] = {
        {"UTM 15N in metres", directory({{1024, 0, 1, 1}, {3072, 0, 1, 26915}, {3076, 0, 1, 9001}}),
         26915, 0, 9001, true},
        {"geographic NAD83 in degrees",
         directory({{1024, 0, 1, 2}, {2048, 0, 1, 4269}, {2054, 0, 1, 9102}}), 4269, 0, 9102, true},
        {"projected beside its geographic base",
         directory({{2048, 0, 1, 4269}, {3072, 0, 1, 6580}}), 6580, 0, 0, true},
        {"a vertical system", directory({{3072, 0, 1, 6580}, {4096, 0, 1, 5703}}), 6580, 5703, 0,
         true},
        {"user-defined (32767) names a system but no code",
         directory({{2048, 0, 1, 32767}, {3072, 0, 1, 32767}, {3076, 0, 1, 9002}}), 0, 0, 9002,
         true},
        {"a value held in the double parameters is no code", directory({{3072, 34736, 1, 0}}), 0, 0,
         0, false},
        {"units alone name nothing",
         directory({{1025, 0, 1, 2}, {2054, 0, 1, 9102}, {3076, 0, 1, 9001}, {4099, 0, 1, 9001}}),
         0, 0, 0, false},
        {"a unit key holding no unit code",
         directory({{1024, 0, 1, 1}, {3072, 0, 1, 32632}, {3076, 0, 1, 32632}}), 32632, 0, 0, true},
        {"the degree as its supplier writes it (9122)",
         directory({{2048, 0, 1, 4326}, {2054, 0, 1, 9122}}), 4326, 0, 9102, true},
        {"no keys", directory({}), 0, 0, 0, false},
        {"more keys claimed than the payload holds", directory({{3072, 0, 1, 26910}}, 500), 26910,
         0, 0, true},
        {"directory version 2 is not read",
         [] {
             auto d = directory({{3072, 0, 1, 26910}});
             d[0] = 2;
             return d;
         }(),
         0, 0, 0, false},
        {"shorter than its own header", {1, 0, 1, 0, 0}, 0, 0, 0, false},
    };
    for (const KeysRow &row : rows) {
        SCOPED_TRACE(row.what);
        const varnoke::GeoKeys keys =
            varnoke::parse_geokeys(row.payload.data(), row.payload.size());
        EXPECT_EQ(keys.crs.epsg, row.epsg);
        EXPECT_EQ(keys.crs.vertical, row.vertical);
        EXPECT_EQ(keys.crs.units, row.units);
        EXPECT_EQ(keys.names_crs, row.names_crs);
    }
}

struct WktRow {
    const char *what;
    std::string text;
    uint32_t epsg, vertical, units;
};

TEST(DeclaredCrs, WktGivesTheCodesAtTheTopOfEachSystem) {
    const WktRow rows[] = {
        {"WKT 1 projected: its own authority, not its base's",
         R"w(PROJCS["NAD83 / UTM zone 10N",GEOGCS["NAD83",DATUM["North_American_Datum_1983",)w"
         R"w(SPHEROID["GRS 1980",6378137,298.257222101,AUTHORITY["EPSG","7019"]],)w"
         R"w(AUTHORITY["EPSG","6269"]],PRIMEM["Greenwich",0],UNIT["degree",0.0174532925199433,)w"
         R"w(AUTHORITY["EPSG","9122"]],AUTHORITY["EPSG","4269"]],PROJECTION["Transverse_Mercator"],)w"
         R"w(PARAMETER["central_meridian",-123],UNIT["metre",1,AUTHORITY["EPSG","9001"]],)w"
         R"w(AUTHORITY["EPSG","26910"]])w",
         26910, 0, 9001},
        {"WKT 1 compound: horizontal and vertical parts",
         R"w(COMPD_CS["NAD83 / Oregon LCC (m) + NAVD88 height (ftUS)",PROJCS["NAD83 / Oregon LCC (m)",)w"
         R"w(GEOGCS["NAD83",AUTHORITY["EPSG","4269"]],UNIT["metre",1],AUTHORITY["EPSG","2991"]],)w"
         R"w(VERT_CS["NAVD88 height (ftUS)",UNIT["US survey foot",0.304800609601219],)w"
         R"w(AUTHORITY["EPSG","6360"]]])w",
         2991, 6360, 9001},
        {"WKT 1 geographic, unit by name",
         R"w(GEOGCS["WGS 84",UNIT["degree",0.0174532925199433],)w"
         R"w(AUTHORITY["EPSG","4326"]])w",
         4326, 0, 9102},
        {"WKT 1 without authority (ESRI style): unit by factor",
         R"w(PROJCS["NAD_1983_HARN_Lambert_Conformal_Conic",GEOGCS["GCS_North_American_1983_HARN"],)w"
         R"w(UNIT["Foot_US",0.3048006096012192]])w",
         0, 0, 9003},
        {"WKT 2 projected with ID and axis units",
         "PROJCRS[\"WGS 84 / UTM zone 23S\",\n  BASEGEOGCRS[\"WGS 84\",ID[\"EPSG\",4326]],\n"
         "  CS[Cartesian,2],\n  AXIS[\"(E)\",east,ORDER[1],LENGTHUNIT[\"metre\",1]],\n"
         "  AXIS[\"(N)\",north,ORDER[2],LENGTHUNIT[\"metre\",1]],\n  ID[\"EPSG\",32723]]",
         32723, 0, 9001},
        {"WKT 2 compound",
         R"w(COMPOUNDCRS["x",PROJCRS["p",LENGTHUNIT["foot",0.3048],ID["EPSG",2229]],)w"
         R"w(VERTCRS["v",ID["EPSG",5703]]])w",
         2229, 5703, 9002},
        {"WKT 2 bound: the source system",
         R"w(BOUNDCRS[SOURCECRS[GEOGCRS["g",ID["EPSG",4267]]],)w"
         R"w(TARGETCRS[GEOGCRS["w",ID["EPSG",4326]]]])w",
         4267, 0, 0},
        {"parentheses for brackets, lower-case keywords",
         R"w(projcs("x",unit("metre",1),authority("epsg","32611")))w", 32611, 0, 9001},
        {"a doubled quote inside a name",
         R"w(PROJCS["a ""quoted"" name",AUTHORITY["EPSG","3857"]])w", 3857, 0, 0},
        {"an authority other than EPSG", R"w(PROJCS["x",AUTHORITY["ESRI","102003"]])w", 0, 0, 0},
        {"cut off before its end", R"w(PROJCS["x",AUTHORITY["EPSG","26910"])w", 0, 0, 0},
        {"not WKT at all", "hello", 0, 0, 0},
        {"a keyword without its bracket", "PROJCS", 0, 0, 0},
    };
    for (const WktRow &row : rows) {
        SCOPED_TRACE(row.what);
        const Crs crs = varnoke::parse_wkt(row.text.data(), row.text.size());
        EXPECT_EQ(crs.epsg, row.epsg);
        EXPECT_EQ(crs.vertical, row.vertical);
        EXPECT_EQ(crs.units, row.units);
    }
    // The text ends at its first NUL, as the record's terminator.
    const std::string terminated =
        std::string(R"w(GEOGCS["x",AUTHORITY["EPSG","4326"]])w") + '\0' + "garbage\"";
    EXPECT_EQ(varnoke::parse_wkt(terminated.data(), terminated.size()).epsg, 4326u);
    std::string deep;
    for (int k = 0; k < 100; ++k) deep += "COMPD_CS[\"x\",";
    EXPECT_EQ(varnoke::parse_wkt(deep.data(), deep.size()).epsg, 0u);
}

struct WarningRow {
    const char *what;
    uint8_t minor, format;
    uint16_t encoding;
    uint32_t declared, walked;
    CrsRecords crs;
    uint64_t warnings;
    unsigned source;
};

TEST(HeaderWarnings, EachRuleAtItsBoundary) {
    constexpr CrsRecords kNone{};
    constexpr CrsRecords kKeys{true, true, false};
    constexpr CrsRecords kEmptyKeys{true, false, false};
    constexpr CrsRecords kWkt{false, false, true};
    constexpr CrsRecords kBoth{true, true, true};
    constexpr unsigned kGeoTiff = VARNOKE_LAS_CRS_GEOTIFF, kWktSource = VARNOKE_LAS_CRS_WKT;
    const WarningRow rows[] = {
        {"1.2, GeoKeys: nothing to say", 2, 1, 0, 3, 3, kKeys, 0, kGeoTiff},
        {"no CRS record", 2, 1, 0, 0, 0, kNone, VARNOKE_LAS_WARN_NO_CRS, 0},
        {"GeoKeys naming nothing", 2, 1, 0, 3, 3, kEmptyKeys, VARNOKE_LAS_WARN_GEOKEYS_EMPTY,
         kGeoTiff},
        {"a WKT record alone is a CRS", 2, 1, 0, 1, 1, kWkt, 0, kWktSource},
        {"1.2: GeoKeys before WKT", 2, 1, 0, 2, 2, kBoth, 0, kGeoTiff},
        {"1.4, WKT bit: WKT before GeoKeys", 4, 1, 0x10, 2, 2, kBoth, 0, kWktSource},
        {"1.4, WKT bit without WKT", 4, 1, 0x10, 1, 1, kKeys, VARNOKE_LAS_WARN_WKT_MISSING,
         kGeoTiff},
        {"1.4, format 5 needs no WKT", 4, 5, 0, 1, 1, kKeys, 0, kGeoTiff},
        {"1.4, format 6, GeoKeys only", 4, 6, 0, 1, 1, kKeys, VARNOKE_LAS_WARN_WKT_REQUIRED,
         kGeoTiff},
        {"1.4, format 6, WKT without the bit", 4, 6, 0, 1, 1, kWkt, VARNOKE_LAS_WARN_WKT_REQUIRED,
         kWktSource},
        {"1.4, format 10, WKT and its bit", 4, 10, 0x10, 1, 1, kWkt, 0, kWktSource},
        {"1.4, format 6, the bit without WKT: one warning", 4, 6, 0x10, 0, 0, kNone,
         VARNOKE_LAS_WARN_NO_CRS | VARNOKE_LAS_WARN_WKT_MISSING, 0},
        {"1.3: bit 4 is reserved, not WKT", 3, 1, 0x10, 1, 1, kBoth,
         VARNOKE_LAS_WARN_RESERVED_ENCODING, kGeoTiff},
        {"one VLR declared more than fit", 2, 1, 0, 3, 2, kKeys, VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT,
         kGeoTiff},
        {"1.2, bit 0 (GPS time) is defined", 2, 1, 0x0001, 1, 1, kKeys, 0, kGeoTiff},
        {"1.2, bit 1 is reserved", 2, 1, 0x0002, 1, 1, kKeys, VARNOKE_LAS_WARN_RESERVED_ENCODING,
         kGeoTiff},
        {"1.3, bits 0 to 3 are defined", 3, 1, 0x000F, 1, 1, kKeys, 0, kGeoTiff},
        {"1.4, bits 0 to 4 are defined", 4, 1, 0x001F, 1, 1, kBoth, 0, kWktSource},
        {"1.4, bit 5 is reserved", 4, 1, 0x0020, 1, 1, kKeys, VARNOKE_LAS_WARN_RESERVED_ENCODING,
         kGeoTiff},
        {"1.4, bit 15 is reserved", 4, 1, 0x8000, 1, 1, kKeys, VARNOKE_LAS_WARN_RESERVED_ENCODING,
         kGeoTiff},
        {"1.1: the field is not a global encoding", 1, 1, 0xFFFF, 1, 1, kKeys, 0, kGeoTiff},
    };
    for (const WarningRow &row : rows) {
        SCOPED_TRACE(row.what);
        PointLayout layout;
        layout.version_major = 1;
        layout.version_minor = row.minor;
        layout.point_format = row.format;
        layout.vlr_count = row.declared;
        EXPECT_EQ(varnoke::header_warnings(layout, row.encoding, row.walked, row.crs),
                  row.warnings);
        EXPECT_EQ(varnoke::crs_source(layout, row.encoding, row.crs), row.source);
    }
}

// The independent projects' files: the codes their records carry, through the status API.
TEST(DeclaredCrs, TestDataThroughTheStatusApi) {
    struct Row {
        const char *file;
        unsigned source;
        uint32_t epsg, vertical, units;
        uint64_t warnings;
    };
    const Row rows[] = {
        {"1.2_3.las", VARNOKE_LAS_CRS_GEOTIFF, 26915, 0, 9001, 0},
        {"1.2-empty-geotiff-vlrs.las", VARNOKE_LAS_CRS_GEOTIFF, 0, 0, 0,
         VARNOKE_LAS_WARN_GEOKEYS_EMPTY},
        {"TO_core_last_clip.las", VARNOKE_LAS_CRS_NONE, 0, 0, 0, VARNOKE_LAS_WARN_NO_CRS},
        {"las13-14/autzen-bmx-2010.las", VARNOKE_LAS_CRS_WKT, 2991, 6360, 9001, 0},
        {"las13-14/simple1_4.las", VARNOKE_LAS_CRS_GEOTIFF, 4326, 0, 9102,
         VARNOKE_LAS_WARN_WKT_REQUIRED},
        {"laz/1815.laz", VARNOKE_LAS_CRS_GEOTIFF, 6580, 5703, 0, 0},
        {"laz/fullwave.laz", VARNOKE_LAS_CRS_WKT, 32723, 0, 9001, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        varnoke_las_report report{};
        ASSERT_EQ(varnoke_las_check_ex((testdata_dir() / row.file).string().c_str(), nullptr,
                                       &report, sizeof report),
                  VARNOKE_LAS_OK);
        EXPECT_EQ(report.crs_source, row.source);
        EXPECT_EQ(report.crs_epsg, row.epsg);
        EXPECT_EQ(report.crs_vertical_epsg, row.vertical);
        EXPECT_EQ(report.crs_units, row.units);
        const uint64_t header_bits = VARNOKE_LAS_WARN_NO_CRS | VARNOKE_LAS_WARN_GEOKEYS_EMPTY |
                                     VARNOKE_LAS_WARN_WKT_MISSING | VARNOKE_LAS_WARN_WKT_REQUIRED |
                                     VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT |
                                     VARNOKE_LAS_WARN_RESERVED_ENCODING;
        EXPECT_EQ(report.warnings & header_bits, row.warnings);
    }
}

// LAS 1.4 lets the WKT record be an extended VLR, after the points: it is read there, and a
// VLR of the same kind comes first.
TEST(DeclaredCrs, WktInAnExtendedVlr) {
    LasSpec spec;
    spec.minor = 4;
    spec.format = 6;
    spec.global_encoding = 0x10;
    spec.points = {{1, 2, 3, 1}};
    spec.evlr_count = 1;
    Bytes file = make_las(spec);
    put_u64(file, 235, file.size());
    const std::string wkt = R"w(PROJCS["x",UNIT["metre",1],AUTHORITY["EPSG","32633"]])w";
    Bytes evlr(60, 0);
    std::memcpy(evlr.data() + 2, "LASF_Projection", 15);
    evlr[18] = 2112 & 0xFF;
    evlr[19] = 2112 >> 8;
    put_u64(evlr, 20, wkt.size() + 1);
    evlr.insert(evlr.end(), wkt.begin(), wkt.end());
    evlr.push_back(0);
    file.insert(file.end(), evlr.begin(), evlr.end());
    ScratchDir dir;
    write_file(dir / "evlr.las", file);
    varnoke_las_report report{};
    ASSERT_EQ(varnoke_las_check_ex((dir / "evlr.las").c_str(), nullptr, &report, sizeof report),
              VARNOKE_LAS_OK);
    EXPECT_EQ(report.crs_source, VARNOKE_LAS_CRS_WKT);
    EXPECT_EQ(report.crs_epsg, 32633u);
    EXPECT_EQ(report.crs_units, 9001u);
    EXPECT_EQ(report.warnings & (VARNOKE_LAS_WARN_NO_CRS | VARNOKE_LAS_WARN_WKT_MISSING), 0u);
}

}  // namespace
}  // namespace lastest
