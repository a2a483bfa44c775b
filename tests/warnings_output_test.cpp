// varnoke-las's warnings, --strict and its JSON layout: the lines decided in-process through the
// tool's own parts, and one run of the real executable per warning kind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "judgement.h"
#include "options.h"
#include "progress.h"
#include "result_line.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

using varnoke_las::FileResult;
using varnoke_las::Outcome;

// A result whose values are known, as the library reports them.
FileResult result_of(const char *path, Outcome outcome, uint64_t warnings) {
    FileResult r;
    r.path = path;
    r.outcome = outcome;
    r.warnings = r.report.warnings = warnings;
    r.report.known = VARNOKE_LAS_KNOWN_VALUES;
    return r;
}

TEST(WarningsOutput, ShortNamesAfterEachLine) {
    FileResult box = result_of("b.laz", Outcome::ok,
                               VARNOKE_LAS_WARN_BOX_IMPRECISE | VARNOKE_LAS_WARN_LEGACY_SET);
    box.warning_sides = 1u | 8u;  // MaxX, MinY
    box.report.scale[0] = 0.01;
    box.report.scale[1] = -0.001;
    box.report.box[0] = 100;
    box.report.stored_box[0] = 100.0012;
    box.report.box[3] = 5;
    box.report.stored_box[3] = 4.99997;
    FileResult stale = result_of("c.las", Outcome::stale, VARNOKE_LAS_WARN_RETURN_ZERO);
    stale.stale = VARNOKE_LAS_STALE_COUNT;
    stale.report.stored_records = 1;
    stale.report.records = 2;
    stale.report.records_return_zero = 3;
    FileResult formats = result_of("d.las", Outcome::ok,
                                   VARNOKE_LAS_WARN_WKT_REQUIRED | VARNOKE_LAS_WARN_RETURN_ABOVE);
    formats.report.point_format = 7;
    formats.report.records_return_above = 1;
    FileResult uncertain =
        result_of("f.laz", Outcome::uncertain, VARNOKE_LAS_WARN_COUNT_UNPROVEN | uint64_t{1} << 40);
    uncertain.report.stored_records = 5;
    uncertain.report.records = 4;
    FileResult cut = result_of("g.las", Outcome::truncated, VARNOKE_LAS_WARN_NO_CRS);
    cut.stale = VARNOKE_LAS_STALE_COUNT;
    cut.report.stored_records = 5;
    cut.report.records = cut.report.records_most = 2;
    FileResult refused = result_of("h.las", Outcome::refused, VARNOKE_LAS_WARN_NO_CRS);
    refused.status = VARNOKE_LAS_ERR_CHANGED;
    const struct {
        FileResult result;
        std::string line;
    } cases[] = {
        {result_of("a.las", Outcome::ok, VARNOKE_LAS_WARN_NO_CRS), "ok a.las; warnings: no CRS\n"},
        {result_of("a.las", Outcome::ok, 0), "ok a.las\n"},
        {box, "ok b.laz; warnings: box MaxX 0.12, MinY 0.03 step off, legacy counts set\n"},
        {stale, "stale c.las: records 1 -> 2; warnings: 3 points of return number 0\n"},
        {formats,
         "ok d.las; warnings: WKT required for point format 7, 1 point of return number above "
         "number of returns\n"},
        {result_of("e.las", Outcome::ok,
                   VARNOKE_LAS_WARN_EMPTY_BOX | VARNOKE_LAS_WARN_GEOKEYS_EMPTY |
                       VARNOKE_LAS_WARN_WKT_MISSING | VARNOKE_LAS_WARN_VLRS_DO_NOT_FIT |
                       VARNOKE_LAS_WARN_RESERVED_ENCODING),
         "ok e.las; warnings: box not zero without points, GeoKeys name no CRS, WKT bit without "
         "WKT, VLRs do not fit, reserved encoding bits set\n"},
        {uncertain,
         "uncertain f.laz: records 5 -> 4 or more; the last chunk's bytes allow more than one "
         "count; warnings: count unproven, warning bits 0x10000000000\n"},
        {cut, "truncated g.las: records 5 -> 2; warnings: no CRS\n"},
        {refused,
         std::string("refused h.las: ") + varnoke_las_strerror(VARNOKE_LAS_ERR_CHANGED) + "\n"},
    };
    for (const auto &c : cases) {
        std::string line;
        varnoke_las::append_text_line(line, c.result);
        EXPECT_EQ(line, c.line);
    }
}

// Layout 2, member by member: a LAS 1.4 file with everything known, and a file refused before
// anything was read.
TEST(WarningsOutput, JsonLayoutMemberByMember) {
    FileResult r = result_of("a.las", Outcome::stale,
                             VARNOKE_LAS_WARN_BOX_IMPRECISE | VARNOKE_LAS_WARN_NO_CRS);
    varnoke_las_report &p = r.report;
    p.known = VARNOKE_LAS_KNOWN_FILE | VARNOKE_LAS_KNOWN_VERSION | VARNOKE_LAS_KNOWN_LAYOUT |
              VARNOKE_LAS_KNOWN_VALUES;
    p.version_major = 1;
    p.version_minor = 4;
    p.point_format = 6;
    p.record_length = 30;
    p.records = p.records_most = 3;
    p.records_by_return[0] = 2;
    p.records_return_zero = 1;
    p.records_return_above = 0;
    const double box[6] = {10, 1, 20, 2, 30, 3};
    for (int k = 0; k < 6; ++k) p.box[k] = p.stored_box[k] = box[k];
    p.stored_box[0] = 10.001;  // a tenth of a step loose
    p.stored_box[5] = 2.5;     // half a step below the lowest point: stale
    p.stored_records = 2;
    p.stored_records_by_return[0] = 2;
    p.stored_legacy_records = 3;
    p.stale = r.stale = VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BOX;
    r.stale_sides = 32;
    r.warning_sides = 1;
    p.point_data_start = 375;
    p.point_data_end = 465;
    const double scale[3] = {0.01, 0.01, 1}, offset[3] = {0, -5, 0};
    for (int axis = 0; axis < 3; ++axis) p.scale[axis] = scale[axis], p.offset[axis] = offset[axis];
    p.crs_source = VARNOKE_LAS_CRS_WKT;
    p.crs_epsg = 26910;
    p.crs_units = 9001;
    p.file_device = 64768;
    p.file_inode = 12;
    p.file_size = 465;
    p.file_modified_ns = 1700000000000000001;
    p.file_status_changed_ns = -1;
    std::string line;
    varnoke_las::append_json_line(line, r);
    EXPECT_EQ(
        line,
        "{\"format\":2,\"path\":\"a.las\",\"result\":\"stale\",\"status\":0,\"error\":null,"
        "\"reused\":false,\"rules\":{\"strict\":false,\"exact\":false},"
        "\"version\":\"1.4\",\"point_format\":6,\"record_length\":30,\"compressed\":false,"
        "\"records\":3,\"records_most\":3,\"records_by_return\":[2,0,0,0,0,0,0,0,0,0,0,0,0,0,0],"
        "\"records_return_zero\":1,\"records_return_above\":0,"
        "\"box\":{\"min_x\":1,\"max_x\":10,\"min_y\":2,\"max_y\":20,\"min_z\":3,\"max_z\":30},"
        "\"stored_records\":2,"
        "\"stored_records_by_return\":[2,0,0,0,0,0,0,0,0,0,0,0,0,0,0],"
        "\"stored_box\":{\"min_x\":1,\"max_x\":10.001,\"min_y\":2,\"max_y\":20,\"min_z\":2.5,"
        "\"max_z\":30},"
        "\"legacy_records\":0,\"legacy_records_by_return\":[0,0,0,0,0],"
        "\"stored_legacy_records\":3,\"stored_legacy_records_by_return\":[0,0,0,0,0],"
        "\"stale\":true,\"truncated\":false,\"missing\":[],\"missing_bytes\":0,"
        "\"count_uncertain\":false,\"trailing_bytes\":0,\"written\":false,"
        "\"point_data_start\":375,\"point_data_end\":465,"
        "\"scale\":{\"x\":0.01,\"y\":0.01,\"z\":1},\"offset\":{\"x\":0,\"y\":-5,\"z\":0},"
        "\"crs\":{\"epsg\":26910,\"vertical\":null,\"units\":9001,\"source\":\"wkt\"},"
        "\"warnings\":[{\"code\":\"box_imprecise\",\"message\":\"" +
            std::string(varnoke_las_warning_text(VARNOKE_LAS_WARN_BOX_IMPRECISE)) +
            "\",\"sides\":{\"max_x\":0.09999999999994458}},"
            "{\"code\":\"no_crs\",\"message\":\"" +
            varnoke_las_warning_text(VARNOKE_LAS_WARN_NO_CRS) +
            "\"}],"
            "\"file\":{\"device\":64768,\"inode\":12,\"size\":465,"
            "\"modified_ns\":1700000000000000001,\"status_changed_ns\":-1},"
            "\"changes\":[{\"field\":\"records\",\"stored\":2,\"new\":3,\"stale\":true},"
            "{\"field\":\"box.max_x\",\"stored\":10.001,\"new\":10,\"stale\":false},"
            "{\"field\":\"box.min_z\",\"stored\":2.5,\"new\":3,\"stale\":true},"
            "{\"field\":\"legacy_records\",\"stored\":3,\"new\":0,\"stale\":false}]}\n");

    FileResult refused;
    refused.path = "x.las";
    refused.status = VARNOKE_LAS_ERR_OPEN;
    line.clear();
    varnoke_las::append_json_line(line, refused);
    EXPECT_EQ(line,
              "{\"format\":2,\"path\":\"x.las\",\"result\":\"refused\",\"status\":-2,\"error\":\"" +
                  std::string(varnoke_las_strerror(VARNOKE_LAS_ERR_OPEN)) +
                  "\",\"reused\":false,\"rules\":{\"strict\":false,\"exact\":false},"
                  "\"version\":null,\"point_format\":null,\"record_length\":null,"
                  "\"compressed\":null,\"records\":null,\"records_most\":null,"
                  "\"records_by_return\":null,\"records_return_zero\":null,"
                  "\"records_return_above\":null,\"box\":null,\"stored_records\":null,"
                  "\"stored_records_by_return\":null,\"stored_box\":null,\"legacy_records\":null,"
                  "\"legacy_records_by_return\":null,\"stored_legacy_records\":null,"
                  "\"stored_legacy_records_by_return\":null,\"stale\":null,\"truncated\":null,"
                  "\"missing\":null,\"missing_bytes\":null,\"count_uncertain\":null,"
                  "\"trailing_bytes\":null,\"written\":false,\"point_data_start\":null,"
                  "\"point_data_end\":null,\"scale\":null,\"offset\":null,\"crs\":null,"
                  "\"warnings\":[],\"file\":null,\"changes\":[]}\n");
}

// The count a LAZ file's last chunk leaves open: the largest, only then.
// records_most: the most the bytes allow, records itself where the count is exact, null where
// nothing bounds it (a LAZ file cut inside its chunks).
TEST(WarningsOutput, JsonRecordsMostIsTheMostTheBytesAllow) {
    FileResult r = result_of("u.laz", Outcome::uncertain, 0);
    const struct {
        uint64_t most;
        const char *json;
    } rows[] = {
        {4, "\"records\":4,\"records_most\":4,"},
        {9, "\"records\":4,\"records_most\":9,"},
        {UINT64_MAX, "\"records\":4,\"records_most\":null,"},
    };
    for (const auto &row : rows) {
        r.report.records = 4;
        r.report.records_most = row.most;
        std::string line;
        varnoke_las::append_json_line(line, r);
        EXPECT_NE(line.find(row.json), std::string::npos) << line;
    }
}

TEST(WarningsOutput, SummaryCountsFilesWithWarnings) {
    varnoke_las::Tally tally;
    tally.add(result_of("a.las", Outcome::ok, VARNOKE_LAS_WARN_NO_CRS));
    tally.add(result_of("b.las", Outcome::stale, 0));
    tally.add(result_of("c.las", Outcome::truncated, VARNOKE_LAS_WARN_RETURN_ZERO));
    FileResult refused;
    tally.add(refused);
    EXPECT_EQ(varnoke_las::summary_line(tally, 0.05),
              "varnoke-las: 4 files: 1 ok, 1 stale, 0 repaired, 1 truncated, 1 refused, 2 with "
              "warnings in 0.05 s\n");
}

// A copy of a bundled file in a scratch folder, judged as the tool judges it.
FileResult judged(const ScratchDir &dir, const Bytes &file, bool strict, bool exact) {
    write_file(dir / "f.las", file);
    varnoke_las::Entry entry;
    entry.path = dir / "f.las";
    varnoke_las::Options options;
    options.strict = strict;
    options.exact = exact;
    const varnoke_las_options call = VARNOKE_LAS_OPTIONS_INIT;
    return varnoke_las::judge(entry, options, call, false);
}

// A COPC file of an independent writer: its legacy counts equal the true ones, where zeros are
// asked for. A warning; stale with --strict, the warning then gone.
TEST(WarningsOutput, StrictMakesTheLegacyWarningStale) {
    const ScratchDir dir;
    const Bytes copc = read_file((testdata_dir() / "laz" / "simple.copc.laz").string());
    const FileResult plain = judged(dir, copc, false, false);
    EXPECT_EQ(plain.outcome, Outcome::ok);
    EXPECT_EQ(plain.warnings, VARNOKE_LAS_WARN_LEGACY_SET);
    const FileResult strict = judged(dir, copc, true, false);
    EXPECT_EQ(strict.outcome, Outcome::stale);
    EXPECT_EQ(strict.stale, VARNOKE_LAS_STALE_LEGACY);
    EXPECT_EQ(strict.warnings, 0u);
    for (const char *command : {"check", "repair"}) {
        const char *const args[] = {"varnoke-las", command, "--strict", "f.las"};
        EXPECT_TRUE(varnoke_las::parse_command_line(4, args, 1).options.strict) << command;
    }
}

// A box stored through single precision: each side a few millionths of a step off, a warning;
// judged bit for bit (--exact) it is stale and the warning goes.
Bytes float_box_file() {
    LasSpec spec;
    spec.points = {{1234, 567, 891, 0x11}, {1000, 345, 123, 0x12}};  // returns 1 and 2 of 2
    Bytes file = make_las(spec);
    put_u8(file, 6, 0);  // no reserved bit of the global encoding
    put_u8(file, 7, 0);
    const HeaderCounts right = expected_counts(file);
    put_u32(file, 107, right.points);
    for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, right.by_return[k]);
    for (std::size_t k = 0; k < 6; ++k) {
        put_f64(file, 179 + 8 * k, static_cast<double>(static_cast<float>(right.box[k])));
    }
    return file;
}

TEST(WarningsOutput, ExactJudgesABoxOffStale) {
    const ScratchDir dir;
    const FileResult plain = judged(dir, float_box_file(), false, false);
    EXPECT_EQ(plain.outcome, Outcome::ok);
    EXPECT_EQ(plain.warnings, VARNOKE_LAS_WARN_BOX_IMPRECISE | VARNOKE_LAS_WARN_NO_CRS);
    EXPECT_EQ(plain.warning_sides, 0x3Du);  // all but MinX, 10 in both precisions
    const FileResult exact = judged(dir, float_box_file(), false, true);
    EXPECT_EQ(exact.outcome, Outcome::stale);
    EXPECT_EQ(exact.warnings, VARNOKE_LAS_WARN_NO_CRS);
    EXPECT_EQ(exact.warning_sides, 0u);
}

// The real executable, once per kind of warning (the LAZ count's is left to the LAZ tests),
// the three about the counts and the box with --strict too.
TEST(WarningsOutput, EachKindThroughTheTool) {
    LasSpec plain;
    plain.points = {{4, 8, 12, 0x11}, {400, -8, 0, 0x12}};
    const auto right = [](LasSpec spec, uint16_t encoding = 0) {
        Bytes file = make_las(spec);
        put_u8(file, 6, static_cast<uint8_t>(encoding));
        put_u8(file, 7, static_cast<uint8_t>(encoding >> 8));
        const HeaderCounts counts = expected_counts(file);
        put_u32(file, 107, counts.points);
        for (std::size_t k = 0; k < 5; ++k) put_u32(file, 111 + 4 * k, counts.by_return[k]);
        for (std::size_t k = 0; k < 6; ++k) put_f64(file, 179 + 8 * k, counts.box[k]);
        if (spec.minor == 4) {
            put_u64(file, 247, counts.points);
            for (std::size_t k = 0; k < 15; ++k)
                put_u64(file, 255 + 8 * k, k < 5 ? counts.by_return[k] : 0);
            for (std::size_t k = 0; k < 6; ++k) put_u32(file, 107 + 4 * k, 0);
        }
        return file;
    };
    LasSpec empty13 = plain;  // LAS 1.3 without records: its box holds the update's start values
    empty13.minor = 3;
    empty13.points.clear();
    LasSpec las14 = plain;
    las14.minor = 4;
    las14.format = 1;
    LasSpec format6 = las14;
    format6.format = 6;
    format6.points = {{4, 8, 12, 0x21}, {400, -8, 0, 0x22}};
    LasSpec zero = plain;  // return 0 of 2
    zero.points[0].bitfield = 0x10;
    LasSpec above = plain;  // return 2 of 1
    above.points[1].bitfield = 0x0A;
    Bytes no_fit = right(plain);
    put_u32(no_fit, 100, 1);  // one VLR declared, none before the points
    const Bytes copc = read_file((testdata_dir() / "laz" / "simple.copc.laz").string());
    const Bytes geokeys = read_file((testdata_dir() / "1.2-empty-geotiff-vlrs.las").string());
    const std::string copc_changes =
        "box MaxX 638982.55 -> 638982.5499999999 (in passing); legacy records 1065 -> 0; legacy "
        "by return 1: 925 -> 0; legacy by return 2: 114 -> 0; legacy by return 3: 21 -> 0; "
        "legacy by return 4: 5 -> 0";
    const struct {
        const char *kind;
        Bytes file;
        std::vector<std::string> args;
        std::string out;
        int status;
    } cases[] = {
        {"box_imprecise",
         float_box_file(),
         {"check"},
         "ok f.las; warnings: box MaxX 1.5e-05, MaxY 7.6e-06, MinY 4.8e-06, MaxZ 1.5e-05, MinZ "
         "1.9e-06 step off, no CRS\n",
         0},
        {"box_imprecise, strict",
         float_box_file(),
         {"check", "--strict"},
         "stale f.las: box MaxX 12.34000015258789 -> 12.34; box MaxY 5.670000076293945 -> 5.67; "
         "box MinY 3.450000047683716 -> 3.45; box MaxZ 8.90999984741211 -> 8.91; box MinZ "
         "1.2300000190734863 -> 1.23; warnings: no CRS\n",
         1},
        {"legacy_counts_set", copc, {"check"}, "ok f.las; warnings: legacy counts set\n", 0},
        {"legacy_counts_set, strict",
         copc,
         {"check", "--strict"},
         "stale f.las: " + copc_changes + "\n",
         1},
        {"legacy_counts_set, strict repair",
         copc,
         {"repair", "--strict"},
         "repaired f.las: " + copc_changes + "\n",
         0},
        {"empty_box_not_zero",
         right(empty13),
         {"check"},
         "ok f.las; warnings: box not zero without points, no CRS\n",
         0},
        {"empty_box_not_zero, strict",
         right(empty13),
         {"check", "--strict"},
         "stale f.las: box MaxX -21474836.46 -> 0; box MinX 21474836.46 -> 0; box MaxY "
         "-21474836.46 -> 0; box MinY 21474836.46 -> 0; box MaxZ -1e+05 -> 0; box MinZ 1e+05 "
         "-> 0; warnings: no CRS\n",
         1},
        {"no_crs", right(plain), {"check"}, "ok f.las; warnings: no CRS\n", 0},
        {"geokeys_empty", geokeys, {"check"}, "ok f.las; warnings: GeoKeys name no CRS\n", 0},
        {"wkt_missing",
         right(las14, 0x10),
         {"check"},
         "ok f.las; warnings: no CRS, WKT bit without WKT\n",
         0},
        {"wkt_required",
         right(format6),
         {"check"},
         "ok f.las; warnings: no CRS, WKT required for point format 6\n",
         0},
        {"vlrs_do_not_fit", no_fit, {"check"}, "ok f.las; warnings: no CRS, VLRs do not fit\n", 0},
        {"return_number_zero",
         right(zero),
         {"check"},
         "ok f.las; warnings: no CRS, 1 point of return number 0\n",
         0},
        {"return_number_above_count",
         right(above),
         {"check"},
         "ok f.las; warnings: no CRS, 1 point of return number above number of returns\n",
         0},
        {"reserved_encoding_bits",
         right(plain, 0x0002),
         {"check"},
         "ok f.las; warnings: no CRS, reserved encoding bits set\n",
         0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        const ScratchDir dir;
        write_file(dir / "f.las", c.file);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--quiet", "f.las"});
        const ProcessResult run = run_varnoke_las(args, dir.str());
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.status, c.status);
        // Written only by a repair, and only where strictness made the file stale.
        EXPECT_EQ(read_file(dir / "f.las") == c.file, c.args[0] == "check");
    }
}

}  // namespace
}  // namespace lastest
