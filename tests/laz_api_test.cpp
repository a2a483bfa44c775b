// LAZ through the status API: every bundled file gives its uncompressed twin's counts and box,
// and stale copies are reported and repaired in the uncompressed header alone, the compressed
// points, the LASzip VLR, the chunk table and the EVLRs kept byte for byte. Cut-off and damaged
// files, a count the bytes leave open, a stop and a change during the scan: what the caller is
// told, and nothing written.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "Varnoke_LiDAR.h"
#include "support/las_file.h"
#include "support/scratch.h"

namespace lastest {
namespace {

std::string laz_path(const std::string &name) {
    return (testdata_dir() / "laz" / name).string();
}

varnoke_las_report checked(const std::string &path, int status = VARNOKE_LAS_OK) {
    varnoke_las_report report{};
    EXPECT_EQ(varnoke_las_check_ex(path.c_str(), nullptr, &report, sizeof report), status) << path;
    return report;
}

TEST(LazApi, EveryFileGivesItsTwinsCountsAndBox) {
    const struct {
        const char *laz, *twin;
        bool same_grid;  // the same scales and offsets: the very bits of the box
    } cases[] = {
        {"point10.las.laz", "point10.las", true},
        {"point10-1.0.laz", "point10-1.0.las", true},
        {"point-time.las.laz", "point-time.las", true},
        {"point-color.las.laz", "point-color.las", true},
        {"point-color-time.las.laz", "point-color-time.las", true},
        {"extrabytes.laz", "extrabytes.las", true},
        {"no-points-1.3.laz", "no-points-1.3.las", true},
        {"1815.laz", "1815.las", true},
        {"point-time-1.4.las.laz", "point-time.las", true},
        {"simple.laz", "simple.las", true},
        {"autzen_trim.laz", "autzen_trim.las", true},
        {"1_4_w_evlr.laz", "../las13-14/1_4_w_evlr.las", true},
        {"simple.copc.laz", "simple.las", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.laz);
        const varnoke_las_report laz = checked(laz_path(c.laz));
        const varnoke_las_report twin = checked(laz_path(c.twin));
        EXPECT_EQ(laz.compressed, 1);
        EXPECT_EQ(twin.compressed, 0);
        EXPECT_EQ(laz.count_uncertain, 0);
        EXPECT_EQ(laz.records, twin.records);
        for (std::size_t k = 0; k < 15; ++k)
            EXPECT_EQ(laz.records_by_return[k], twin.records_by_return[k]) << "return " << k + 1;
        for (std::size_t side = 0; side < 6; ++side) {
            if (c.same_grid) {
                EXPECT_EQ(std::bit_cast<uint64_t>(laz.box[side]),
                          std::bit_cast<uint64_t>(twin.box[side]))
                    << "side " << side;
            } else {
                EXPECT_NEAR(laz.box[side], twin.box[side], 1e-6) << "side " << side;
            }
        }
    }
    // No twin: the header's own values, which its writer got right.
    const varnoke_las_report full = checked(laz_path("fullwave.laz"));
    EXPECT_EQ(full.records, 10750u);
    EXPECT_EQ(full.stale, 0u);
    EXPECT_EQ(full.point_format, 10);
}

// Copies with a value of the header changed: reported stale with the bit of that value,
// repaired by rewriting the header's counts and box only, and right afterwards.
TEST(LazApi, StaleCopiesAreRepairedInTheHeaderAlone) {
    const struct {
        const char *what, *file;
        std::size_t at;
        uint8_t value;
        unsigned stale;
    } cases[] = {
        {"the count", "autzen_trim.laz", 107, 0x01, VARNOKE_LAS_STALE_COUNT},
        {"a count by return", "point-color-time.las.laz", 112, 0x07, VARNOKE_LAS_STALE_BY_RETURN},
        {"a side of the box", "simple.laz", 179 + 7, 0x00, VARNOKE_LAS_STALE_BOX},
        {"the 64-bit count of LAS 1.4", "1_4_w_evlr.laz", 247, 0x01, VARNOKE_LAS_STALE_COUNT},
        {"legacy counts in point format 6", "1_4_w_evlr.laz", 107, 0x01, VARNOKE_LAS_STALE_LEGACY},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        Bytes before = read_file(laz_path(c.file));
        // Lower than the true value where it is a count: a higher one looks like a cut-off file.
        put_u8(before, c.at, c.value);
        write_file(dir / "f.laz", before);
        const std::string path = dir / "f.laz";
        EXPECT_EQ(checked(path).stale, c.stale);
        varnoke_las_report report{};
        ASSERT_EQ(varnoke_las_repair_ex(path.c_str(), nullptr, &report, sizeof report),
                  VARNOKE_LAS_OK);
        EXPECT_EQ(report.written, 1);
        const Bytes after = read_file(path);
        ASSERT_EQ(after.size(), before.size());
        const bool las14 = before[25] == 4;
        for (std::size_t k = 0; k < before.size(); ++k) {
            if (!rewritable_byte(k, las14)) {
                ASSERT_EQ(after[k], before[k]) << "byte " << k;
            }
        }
        // The writer's own counts were right (its box may differ from ours in the last bits).
        const Bytes original = read_file(laz_path(c.file));
        for (std::size_t k = 107; k < (las14 ? 375u : 131u); ++k) {
            if (k < 131 || k >= 247) {
                EXPECT_EQ(after[k], original[k]) << "byte " << k;
            }
        }
        EXPECT_EQ(checked(path).stale, 0u);
    }
}

// A whole LAZ file whose header declares more points than its chunks hold is stale, and
// repaired; one cut short is truncated with the count of its whole chunks, and never written.
// The return number and number of returns of a chunk's first point, stored raw: formats 0 to 5
// hold them in bits 0-2 and 3-5 of byte 14, formats 6 to 10 in bits 0-3 and 4-7. The one point of
// point10-1.0.laz (its flags at 343), and the one point of the last chunk of
// layered-chunks-of-100.laz (at 2,370).
TEST(LazApi, ReturnNumbersAboveTheirCountAndZero) {
    struct Row {
        const char *file;
        std::size_t at;
        uint8_t flags;
        uint64_t zero, above;
    };
    const Row rows[] = {
        {"point10-1.0.laz", 343, 0x09, 0, 0},             // return 1 of 1, as written
        {"point10-1.0.laz", 343, 0x0A, 0, 1},             // return 2 of 1
        {"point10-1.0.laz", 343, 0x08, 1, 0},             // return 0 of 1
        {"layered-chunks-of-100.laz", 2370, 0x11, 0, 0},  // return 1 of 1, as written
        {"layered-chunks-of-100.laz", 2370, 0x12, 0, 1},  // return 2 of 1
        {"layered-chunks-of-100.laz", 2370, 0x1F, 0, 1},  // return 15 of 1
        {"layered-chunks-of-100.laz", 2370, 0x10, 1, 0},  // return 0 of 1
    };
    ScratchDir dir;
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.file << ", flags " << int{row.flags});
        Bytes file = read_file(laz_path(row.file));
        put_u8(file, row.at, row.flags);
        write_file(dir / "f.laz", file);
        const varnoke_las_report report = checked(dir / "f.laz");
        EXPECT_EQ(report.records_return_zero, row.zero);
        EXPECT_EQ(report.records_return_above, row.above);
        EXPECT_EQ((report.warnings & VARNOKE_LAS_WARN_RETURN_ABOVE) != 0, row.above != 0);
    }
}

TEST(LazApi, CutOffFilesAreTruncatedAndStaleOnesRepaired) {
    ScratchDir dir;
    Bytes more = read_file(laz_path("point10.las.laz"));
    put_u32(more, 107, 1066);
    write_file(dir / "more.laz", more);
    varnoke_las_report report = checked(dir / "more.laz");
    EXPECT_EQ(report.truncated, 0);
    EXPECT_EQ(report.stale, VARNOKE_LAS_STALE_COUNT);
    EXPECT_EQ(report.records, 1065u);
    varnoke_las_report repaired{};
    EXPECT_EQ(
        varnoke_las_repair_ex((dir / "more.laz").c_str(), nullptr, &repaired, sizeof repaired),
        VARNOKE_LAS_OK);
    EXPECT_EQ(repaired.written, 1);
    EXPECT_EQ(u32_at(read_file(dir / "more.laz"), 107), 1065u);

    // autzen_trim.laz cut one byte into its last chunk (at 548,074; the table at 603,333).
    Bytes cut = read_file(laz_path("autzen_trim.laz"));
    cut.resize(548075);
    write_file(dir / "cut.laz", cut);
    report = checked(dir / "cut.laz");
    EXPECT_EQ(report.truncated, 1);
    EXPECT_EQ(report.count_uncertain, 0);
    EXPECT_EQ(report.records, 100000u);
    EXPECT_EQ(report.records_most, UINT64_MAX);
    EXPECT_EQ(report.missing, VARNOKE_LAS_MISSING_RECORDS | VARNOKE_LAS_MISSING_CHUNK_TABLE);
    EXPECT_EQ(report.missing_bytes, 603341u - 548075u);
    varnoke_las_options allow = VARNOKE_LAS_OPTIONS_INIT;
    allow.flags = VARNOKE_LAS_ALLOW_TRUNCATED;
    EXPECT_EQ(varnoke_las_repair_ex((dir / "cut.laz").c_str(), &allow, &repaired, sizeof repaired),
              VARNOKE_LAS_ERR_TRUNCATED);
    EXPECT_EQ(repaired.written, 0);
    EXPECT_EQ(read_file(dir / "cut.laz"), cut);

    // A table whose count dropped from 3 to 2 is damaged: refused, not truncated.
    Bytes table = read_file(laz_path("autzen_trim.laz"));
    put_u8(table, 603333 + 4, 2);
    write_file(dir / "table.laz", table);
    checked(dir / "table.laz", VARNOKE_LAS_ERR_LAZ_TABLE);

    Bytes length = read_file(laz_path("point10.las.laz"));
    put_u8(length, 105, 21);
    write_file(dir / "length.laz", length);
    checked(dir / "length.laz", VARNOKE_LAS_ERR_LAZ_ITEMS);
}

// One flipped byte in the Z layer of 1_4_w_evlr.laz's chunk (its layers from 2,477, Z from
// 5,523): refused, and a repair writes nothing.
TEST(LazApi, DamagedLayerIsRefused) {
    ScratchDir dir;
    Bytes b = read_file(laz_path("1_4_w_evlr.laz"));
    put_u8(b, 107, 0x01);  // stale legacy count: a repair would write
    b[6000] ^= 0x04;
    write_file(dir / "z.laz", b);
    checked(dir / "z.laz", VARNOKE_LAS_ERR_LAZ_CHUNK);
    varnoke_las_report report{};
    EXPECT_EQ(varnoke_las_repair_ex((dir / "z.laz").c_str(), nullptr, &report, sizeof report),
              VARNOKE_LAS_ERR_LAZ_CHUNK);
    EXPECT_EQ(read_file(dir / "z.laz"), b);
}

// identical-500.laz: 500 identical points whose last bytes allow the counts 490 to 503. The
// stored 500 is one of them and the header is right for it: ok, with a warning, and the range
// reported. A count none of them is, or a box wrong for the count, leaves the count uncertain.
TEST(LazApi, HeaderRightForOneOfTheCountsIsUnproven) {
    const varnoke_las_report ok = checked(laz_path("identical-500.laz"));
    EXPECT_EQ(ok.stale, 0u);
    EXPECT_EQ(ok.truncated, 0);
    EXPECT_EQ(ok.count_uncertain, 0);
    EXPECT_EQ(ok.warnings & VARNOKE_LAS_WARN_COUNT_UNPROVEN, VARNOKE_LAS_WARN_COUNT_UNPROVEN);
    EXPECT_EQ(ok.records, 490u);
    EXPECT_EQ(ok.records_most, 503u);
    const struct {
        const char *what;
        std::size_t at;
        uint32_t value;
    } cases[] = {
        {"a count below them", 107, 489},
        {"a count above them", 107, 504},
        {"counts by return that do not add up", 111, 499},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        Bytes b = read_file(laz_path("identical-500.laz"));
        put_u32(b, c.at, c.value);
        write_file(dir / "u.laz", b);
        const varnoke_las_report r = checked(dir / "u.laz");
        EXPECT_EQ(r.count_uncertain, 1);
        EXPECT_EQ(r.warnings & VARNOKE_LAS_WARN_COUNT_UNPROVEN, 0u);
        varnoke_las_report repaired{};
        EXPECT_EQ(
            varnoke_las_repair_ex((dir / "u.laz").c_str(), nullptr, &repaired, sizeof repaired),
            VARNOKE_LAS_ERR_COUNT_UNCERTAIN);
        EXPECT_EQ(read_file(dir / "u.laz"), b);
    }
    // A box side off for every count.
    ScratchDir dir;
    Bytes b = read_file(laz_path("identical-500.laz"));
    put_f64(b, 179, 11.0);  // MaxX: 10 for all of them
    write_file(dir / "box.laz", b);
    EXPECT_EQ(checked(dir / "box.laz").count_uncertain, 1);
}

// A stop asked for ends the scan at once, with nothing written; a file changed under the scan
// is blamed on the change, not on its bytes.
TEST(LazApi, StopAndChangeDuringTheScan) {
    ScratchDir dir;
    Bytes stale = read_file(laz_path("autzen_trim.laz"));
    put_u8(stale, 107, 0x01);
    write_file(dir / "s.laz", stale);
    varnoke_las_options options = VARNOKE_LAS_OPTIONS_INIT;
    options.stop = [](void *) { return 1; };
    varnoke_las_report report{};
    EXPECT_EQ(varnoke_las_repair_ex((dir / "s.laz").c_str(), &options, &report, sizeof report),
              VARNOKE_LAS_ERR_STOPPED);
    EXPECT_EQ(report.written, 0);
    EXPECT_EQ(read_file(dir / "s.laz"), stale);
    // Plain records are asked before every block.
    Bytes las = read_file(laz_path("autzen_trim.las"));
    put_u8(las, 107, 0x01);
    write_file(dir / "s.las", las);
    EXPECT_EQ(varnoke_las_repair_ex((dir / "s.las").c_str(), &options, &report, sizeof report),
              VARNOKE_LAS_ERR_STOPPED);
    EXPECT_EQ(read_file(dir / "s.las"), las);

    // Cut to half by another program as the scan starts.
    static std::string changed;
    changed = dir / "s.laz";
    options.stop = [](void *) {
        std::filesystem::resize_file(changed, 300000);
        return 0;
    };
    EXPECT_EQ(varnoke_las_check_ex(changed.c_str(), &options, &report, sizeof report),
              VARNOKE_LAS_ERR_CHANGED);
}

}  // namespace
}  // namespace lastest
