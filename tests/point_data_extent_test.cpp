// Where the point records of LAS 1.0 to 1.4 end, and the pointers that refuse a file: each row a
// header of the LAS text's fields, its expected end or status written out.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "point_layout.h"
#include "support/las_file.h"
#include "vlr_walk.h"

namespace lastest {
namespace {

struct Extent {
    const char *what;
    uint8_t minor;
    uint16_t global_encoding;
    uint64_t waveform, evlr;
    uint32_t evlr_count;
    int status;
    uint64_t end;  // where the status is VARNOKE_LAS_OK
    uint16_t header_size = 0;
    uint32_t data = 0;  // 0: the header's size
};

// Files of 1000 bytes; point format 1 (28-byte records).
constexpr uint64_t kSize = 1000;

TEST(PointDataExtent, EndsAtTheFirstOfTheFileEvlrsAndWaveformData) {
    constexpr int kOk = VARNOKE_LAS_OK;
    constexpr int kEvlr = VARNOKE_LAS_ERR_EVLR_POINTER;
    constexpr int kWave = VARNOKE_LAS_ERR_WAVEFORM_POINTER;
    const Extent cases[] = {
        {"1.4, no EVLR, no waveform", 4, 0, 0, 0, 0, kOk, kSize},
        {"1.4, an EVLR at the offset to data: no records", 4, 0, 0, 375, 1, kOk, 375},
        {"1.4, an EVLR one byte after it", 4, 0, 0, 376, 1, kOk, 376},
        {"1.4, an EVLR at the end of the file", 4, 0, 0, kSize, 1, kOk, kSize},
        {"1.4, an EVLR one past the end", 4, 0, 0, kSize + 1, 1, kEvlr, 0},
        {"1.4, an EVLR one byte before the data", 4, 0, 0, 374, 1, kEvlr, 0},
        {"1.4, EVLRs counted at 0", 4, 0, 0, 0, 2, kEvlr, 0},
        {"1.4, EVLRs not counted: their start is no end", 4, 0, 0, 500, 0, kOk, kSize},
        {"1.4, waveform data at the offset to data", 4, 0, 375, 0, 0, kOk, 375},
        {"1.4, waveform data before the EVLRs", 4, 0, 600, 800, 1, kOk, 600},
        {"1.4, EVLRs before the waveform data", 4, 0, 900, 800, 1, kOk, 800},
        {"1.4, waveform start before the data, bit 1 clear", 4, 0, 100, 0, 0, kWave, 0},
        {"1.4, waveform start one past the end", 4, 2, kSize + 1, 0, 0, kWave, 0},
        {"1.3, internal waveform data at the offset to data", 3, 2, 235, 0, 0, kOk, 235},
        {"1.3, internal waveform data at the end", 3, 2, kSize, 0, 0, kOk, kSize},
        {"1.3, internal waveform data at 0", 3, 2, 0, 0, 0, kWave, 0},
        {"1.3, internal waveform data one past the end", 3, 2, kSize + 1, 0, 0, kWave, 0},
        {"1.3, bit 1 clear, a start among the records", 3, 0, 500, 0, 0, kWave, 0},
        {"1.3, bit 1 clear, a start at the offset to data", 3, 4, 235, 0, 0, kWave, 0},
        {"1.3, bit 1 clear, a start at the end of the file", 3, 0, kSize, 0, 0, kOk, kSize},
        {"1.3, bit 1 clear, a start before the data", 3, 0, 100, 0, 0, kOk, kSize},
        {"1.4, header size 400, data at 375", 4, 0, 0, 0, 0, VARNOKE_LAS_ERR_DATA_IN_HEADER, 0,
         400, 375},
        {"1.4, header size 374", 4, 0, 0, 0, 0, VARNOKE_LAS_ERR_TOO_SHORT, 0, 374, 375},
        {"1.2, header size 226", 2, 0, 0, 0, 0, VARNOKE_LAS_ERR_TOO_SHORT, 0, 226, 227},
        {"1.2, header size 300, data at 300", 2, 0, 0, 0, 0, kOk, kSize, 300, 300},
        {"1.2, data one byte past the end", 2, 0, 0, 0, 0, VARNOKE_LAS_ERR_DATA_PAST_END, 0, 227,
         kSize + 1},
        {"1.2, data at the end: no records", 2, 0, 0, 0, 0, kOk, kSize, 227, kSize},
    };
    for (const Extent &c : cases) {
        SCOPED_TRACE(c.what);
        LasSpec spec;
        spec.minor = c.minor;
        spec.format = 1;
        spec.global_encoding = c.global_encoding;
        spec.waveform_start = c.waveform;
        spec.evlr_start = c.evlr;
        spec.evlr_count = c.evlr_count;
        Bytes head = make_las(spec);
        head.resize(375);
        const uint16_t size = c.header_size ? c.header_size : header_size_for(c.minor);
        put_u8(head, 94, static_cast<uint8_t>(size));
        put_u8(head, 95, static_cast<uint8_t>(size >> 8));
        put_u32(head, 96, c.data ? c.data : size);
        varnoke::PointLayout layout;
        const int status =
            varnoke::judge_layout(head.data(), head.size(), kSize, varnoke::Scope::kAll, layout);
        EXPECT_EQ(status, c.status) << varnoke_las_strerror(status);
        if (status == VARNOKE_LAS_OK) {
            EXPECT_EQ(layout.end, c.end);
        }
    }
}

// VLRs of `lengths` (their payloads' bytes) laid out from byte 0 of a file of `size` bytes.
struct Vlrs {
    std::vector<unsigned char> bytes;
    static int64_t read(void *self, uint64_t at, void *to, std::size_t size) {
        const auto &b = static_cast<Vlrs *>(self)->bytes;
        if (at >= b.size()) return 0;
        const std::size_t got = std::min<std::size_t>(size, b.size() - at);
        std::memcpy(to, b.data() + at, got);
        return static_cast<int64_t>(got);
    }
};

Vlrs vlrs_of(const std::vector<uint16_t> &lengths, std::size_t size, int laszip = -1) {
    Vlrs v;
    v.bytes.assign(size, 0);
    std::size_t at = 0;
    for (std::size_t k = 0; k < lengths.size() && at + 54 <= size; ++k) {
        if (static_cast<int>(k) == laszip) {
            std::memcpy(&v.bytes[at + 2], "laszip encoded", 14);
            v.bytes[at + 18] = 0xBC;  // 22204
            v.bytes[at + 19] = 0x56;
        }
        v.bytes[at + 20] = static_cast<unsigned char>(lengths[k]);
        v.bytes[at + 21] = static_cast<unsigned char>(lengths[k] >> 8);
        at += 54 + std::size_t{lengths[k]};
    }
    return v;
}

TEST(PointDataExtent, VariableLengthRecordsStopBeforeThePointData) {
    const struct {
        const char *what;
        std::vector<uint16_t> lengths;
        uint32_t declared;
        uint64_t data;
        int status;
        uint32_t walked;
    } cases[] = {
        {"none", {}, 0, 100, VARNOKE_LAS_OK, 0},
        {"one ending at the data", {46}, 1, 100, VARNOKE_LAS_OK, 1},
        {"one ending a byte after it", {47}, 1, 100, VARNOKE_LAS_ERR_VLR_INTO_DATA, 0},
        {"a count too large: the next header does not fit", {46}, 9, 153, VARNOKE_LAS_OK, 1},
        {"a count too large: the next header just fits", {0, 0}, 9, 108, VARNOKE_LAS_OK, 2},
        {"the second flows into the data", {0, 10}, 2, 117, VARNOKE_LAS_ERR_VLR_INTO_DATA, 1},
        {"a count too small leaves the rest unread", {0, 60000}, 1, 200, VARNOKE_LAS_OK, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Vlrs file = vlrs_of(c.lengths, static_cast<std::size_t>(c.data));
        varnoke::VlrWalk walk;
        EXPECT_EQ(varnoke::walk_vlrs(Vlrs::read, &file, 0, c.declared, c.data, walk), c.status);
        if (c.status == VARNOKE_LAS_OK) {
            EXPECT_EQ(walk.walked, c.walked);
        }
    }
    Vlrs file = vlrs_of({10, 34, 5}, 300, 1);
    varnoke::VlrWalk walk;
    ASSERT_EQ(varnoke::walk_vlrs(Vlrs::read, &file, 0, 3, 300, walk), VARNOKE_LAS_OK);
    EXPECT_EQ(walk.laszip_at, 64u + 54u);
    EXPECT_EQ(walk.laszip_bytes, 34u);
}

}  // namespace
}  // namespace lastest
