// LAZ through the status API: every bundled file gives its uncompressed twin's counts and box,
// and stale copies are reported and repaired in the uncompressed header alone, the compressed
// points, the LASzip VLR, the chunk table and the EVLRs kept byte for byte.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
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
    EXPECT_EQ(varnoke_las_check_ex(path.c_str(), nullptr, &report, sizeof report), status)
        << path;
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
        {"a count by return", "point-color-time.las.laz", 112, 0x07,
         VARNOKE_LAS_STALE_BY_RETURN},
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

// A LAZ header that declares more points than its chunks hold, its chunk table in place, is
// stale: nothing is missing; a chunk table past the end and a LASzip VLR that does not match the
// record length are refused.
TEST(LazApi, CutOffAndDamagedFiles) {
    ScratchDir dir;
    Bytes more = read_file(laz_path("point10.las.laz"));
    put_u32(more, 107, 1066);
    write_file(dir / "more.laz", more);
    const varnoke_las_report report = checked(dir / "more.laz");
    EXPECT_EQ(report.truncated, 0);
    EXPECT_EQ(report.missing, 0u);
    EXPECT_EQ(report.stale, VARNOKE_LAS_STALE_COUNT);
    EXPECT_EQ(report.records, 1065u);

    Bytes table = read_file(laz_path("point10.las.laz"));
    const uint32_t data = u32_at(table, 96);
    put_u64(table, data, table.size() + 100);
    write_file(dir / "table.laz", table);
    checked(dir / "table.laz", VARNOKE_LAS_ERR_LAZ_TABLE);

    Bytes length = read_file(laz_path("point10.las.laz"));
    put_u8(length, 105, 21);
    write_file(dir / "length.laz", length);
    checked(dir / "length.laz", VARNOKE_LAS_ERR_LAZ_ITEMS);
}

}  // namespace
}  // namespace lastest
