// Where the point records of LAS 1.0 to 1.4 lie, what lies past the end of the file, and the
// record lengths and pointers that refuse a file: each row a header of the LAS text's fields,
// its expected end or status written out.
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
    uint64_t records;  // declared: LAS 1.4's 64-bit count (its legacy count 0), else the legacy
    uint64_t waveform, evlr;
    uint32_t evlr_count;
    uint64_t size;  // of the file
    int status;
    // Where the status is VARNOKE_LAS_OK: the end of the records and what lies past the end of
    // the file.
    uint64_t end;
    unsigned missing;
    uint64_t missing_bytes;
    uint16_t header_size = 0;
    uint32_t data = 0;  // 0: the header's size
    bool compressed = false;
};

// The records of point format 1 (28 bytes) run from the offset to point data (375 in LAS 1.4,
// 235 in 1.3, 227 before) to the first of the end of the file, the EVLRs (where some are
// counted) and waveform data in the file. Each row a part of the partition at its boundary:
// which of the declared records' end, the EVLR start, the waveform start and the end of the file
// comes first, and where a pointer lies: before the data, among the declared records, at their
// end, between their end and the end of the file, at the end of the file, past it.
TEST(PointDataExtent, EndsAtTheFirstOfTheFileEvlrsAndWaveformData) {
    constexpr int kOk = VARNOKE_LAS_OK;
    constexpr int kEvlr = VARNOKE_LAS_ERR_EVLR_POINTER;
    constexpr int kUncounted = VARNOKE_LAS_ERR_EVLR_UNCOUNTED;
    constexpr int kWave = VARNOKE_LAS_ERR_WAVEFORM_POINTER;
    constexpr int kOverlap = VARNOKE_LAS_ERR_RECORDS_OVERLAP;
    constexpr unsigned kRecords = VARNOKE_LAS_MISSING_RECORDS;
    constexpr unsigned kEvlrs = VARNOKE_LAS_MISSING_EVLRS;
    constexpr unsigned kWaveform = VARNOKE_LAS_MISSING_WAVEFORM;
    constexpr uint64_t kMost = 18446744073709551615u;  // 2^64 - 1
    const Extent cases[] = {
        // The records and the end of the file: 10 records end at 655, 22 at 991, 23 at 1019.
        {"1.4, none declared", 4, 0, 0, 0, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.4, records end before the end", 4, 0, 22, 0, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.4, records end at the end", 4, 0, 22, 0, 0, 0, 991, kOk, 991, 0, 0},
        {"1.4, records end one byte past the end", 4, 0, 22, 0, 0, 0, 990, kOk, 990, kRecords, 1},
        {"1.4, records end past the end", 4, 0, 23, 0, 0, 0, 1000, kOk, 1000, kRecords, 19},
        {"1.4, a declared end past 2^64", 4, 0, kMost, 0, 0, 0, 1000, kOk, 1000, kRecords,
         kMost - 1000},
        {"1.2, 27 records end at 983", 2, 0, 27, 0, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.2, 28 records end at 1011", 2, 0, 28, 0, 0, 0, 1000, kOk, 1000, kRecords, 11},
        // EVLRs counted.
        {"1.4, an EVLR start of 0", 4, 0, 0, 0, 0, 2, 1000, kEvlr, 0, 0, 0},
        {"1.4, an EVLR start before the data", 4, 0, 0, 0, 374, 1, 1000, kEvlr, 0, 0, 0},
        {"1.4, an EVLR at the data, none declared", 4, 0, 0, 0, 375, 1, 1000, kOk, 375, 0, 0},
        {"1.4, an EVLR at the data, one declared", 4, 0, 1, 0, 375, 1, 1000, kOverlap, 0, 0, 0},
        {"1.4, an EVLR among the records", 4, 0, 10, 0, 654, 1, 1000, kOverlap, 0, 0, 0},
        {"1.4, an EVLR at their end", 4, 0, 10, 0, 655, 1, 1000, kOk, 655, 0, 0},
        {"1.4, an EVLR after their end", 4, 0, 10, 0, 656, 1, 1000, kOk, 656, 0, 0},
        // Its header past the end: the walk of the EVLRs finds it missing.
        {"1.4, an EVLR at the end of the file", 4, 0, 10, 0, 1000, 1, 1000, kOk, 1000, 0, 0},
        {"1.4, an EVLR one past the end", 4, 0, 10, 0, 1001, 1, 1000, kOk, 1000, kEvlrs, 61},
        {"1.4, two EVLRs past the end", 4, 0, 10, 0, 1001, 2, 1000, kOk, 1000, kEvlrs, 121},
        {"1.4, records and EVLR past the end", 4, 0, 23, 0, 1019, 1, 1000, kOk, 1000,
         kRecords | kEvlrs, 79},
        {"1.4, past the end, an EVLR among the records", 4, 0, 23, 0, 1018, 1, 1000, kOverlap, 0, 0,
         0},
        {"1.4, an EVLR at the end among the records", 4, 0, 23, 0, 1000, 1, 1000, kOverlap, 0, 0,
         0},
        // An EVLR start while none is counted.
        {"1.4, none counted, start 0", 4, 0, 10, 0, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.4, none counted, start 1", 4, 0, 10, 0, 1, 0, 1000, kUncounted, 0, 0, 0},
        {"1.4, none counted, before the data", 4, 0, 10, 0, 374, 0, 1000, kUncounted, 0, 0, 0},
        {"1.4, none counted, at the records' end", 4, 0, 10, 0, 655, 0, 1000, kUncounted, 0, 0, 0},
        {"1.4, none counted, one before the end", 4, 0, 10, 0, 999, 0, 1000, kUncounted, 0, 0, 0},
        {"1.4, none counted, at the end", 4, 0, 10, 0, 1000, 0, 1000, kOk, 1000, 0, 0},
        {"1.4, none counted, past the end: none missing", 4, 0, 10, 0, 1001, 0, 1000, kOk, 1000, 0,
         0},
        // Waveform data in the file (LAS 1.4: a start other than 0).
        {"1.4, waveform before the data", 4, 0, 0, 374, 0, 0, 1000, kWave, 0, 0, 0},
        {"1.4, waveform at the data", 4, 0, 0, 375, 0, 0, 1000, kOk, 375, 0, 0},
        {"1.4, waveform among the records", 4, 0, 10, 654, 0, 0, 1000, kOverlap, 0, 0, 0},
        {"1.4, waveform at their end", 4, 0, 10, 655, 0, 0, 1000, kOk, 655, 0, 0},
        {"1.4, waveform at the end of the file", 4, 0, 10, 1000, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.4, waveform one past the end", 4, 0, 10, 1001, 0, 0, 1000, kOk, 1000, kWaveform, 1},
        {"1.4, records and waveform past the end", 4, 0, 23, 1019, 0, 0, 1000, kOk, 1000,
         kRecords | kWaveform, 19},
        {"1.4, waveform before the EVLRs", 4, 0, 0, 600, 800, 1, 1000, kOk, 600, 0, 0},
        {"1.4, EVLRs before the waveform", 4, 0, 0, 900, 800, 1, 1000, kOk, 800, 0, 0},
        // LAS 1.3: bit 1 of the global encoding puts waveform data in the file.
        {"1.3, internal waveform at the data", 3, 2, 0, 235, 0, 0, 1000, kOk, 235, 0, 0},
        {"1.3, internal waveform at the fifth of 10", 3, 2, 10, 375, 0, 0, 1000, kOverlap, 0, 0, 0},
        {"1.3, internal waveform at the end", 3, 2, 0, 1000, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.3, internal waveform at 0", 3, 2, 0, 0, 0, 0, 1000, kWave, 0, 0, 0},
        {"1.3, internal waveform one past the end", 3, 2, 0, 1001, 0, 0, 1000, kOk, 1000, kWaveform,
         1},
        {"1.3, bit 1 clear, a start among the records", 3, 0, 0, 500, 0, 0, 1000, kWave, 0, 0, 0},
        {"1.3, bit 1 clear, a start at the data", 3, 4, 0, 235, 0, 0, 1000, kWave, 0, 0, 0},
        {"1.3, bit 1 clear, a start at the end", 3, 0, 0, 1000, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.3, bit 1 clear, a start before the data", 3, 0, 0, 100, 0, 0, 1000, kOk, 1000, 0, 0},
        {"1.3, bit 1 clear, a start past the end", 3, 0, 0, 1001, 0, 0, 1000, kOk, 1000, 0, 0},
        // Compressed points: no record length places their end; the pointers still do.
        {"LAZ 1.4, a count past the end", 4, 0, 23, 0, 0, 0, 1000, kOk, 1000, 0, 0, 0, 0, true},
        {"LAZ 1.4, an EVLR where records would be", 4, 0, 23, 0, 600, 1, 1000, kOk, 600, 0, 0, 0, 0,
         true},
        {"LAZ 1.4, an EVLR past the end", 4, 0, 23, 0, 1001, 1, 1000, kOk, 1000, kEvlrs, 61, 0, 0,
         true},
        // The header's own size and the offset to point data.
        {"1.4, header size 400, data at 375", 4, 0, 0, 0, 0, 0, 1000,
         VARNOKE_LAS_ERR_DATA_IN_HEADER, 0, 0, 0, 400, 375},
        {"1.4, header size 374", 4, 0, 0, 0, 0, 0, 1000, VARNOKE_LAS_ERR_TOO_SHORT, 0, 0, 0, 374,
         375},
        {"1.2, header size 226", 2, 0, 0, 0, 0, 0, 1000, VARNOKE_LAS_ERR_TOO_SHORT, 0, 0, 0, 226,
         227},
        {"1.2, header size 300, data at 300", 2, 0, 0, 0, 0, 0, 1000, kOk, 1000, 0, 0, 300, 300},
        {"1.2, data one byte past the end", 2, 0, 0, 0, 0, 0, 1000, VARNOKE_LAS_ERR_DATA_PAST_END,
         0, 0, 0, 227, 1001},
        {"1.2, data at the end: no records", 2, 0, 0, 0, 0, 0, 1000, kOk, 1000, 0, 0, 227, 1000},
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
        if (c.minor == 4) {
            put_u64(head, 247, c.records);
            put_u32(head, 107, 0);
        } else {
            put_u32(head, 107, static_cast<uint32_t>(c.records));
        }
        if (c.compressed) put_u8(head, 104, 0x81);
        varnoke::PointLayout layout;
        const int status = varnoke::judge_layout(head.data(), head.size(), c.size,
                                                 varnoke::LayoutRules::kAllVersions, layout);
        EXPECT_EQ(status, c.status) << varnoke_las_strerror(status);
        if (status == VARNOKE_LAS_OK) {
            EXPECT_EQ(layout.end, c.end);
            EXPECT_EQ(layout.missing, c.missing);
            EXPECT_EQ(layout.missing_bytes, c.missing_bytes);
        }
    }
}

// A record at least as long as its point format's fields, LAS 1.4's record lengths of formats 0
// to 10, and one byte less.
TEST(PointDataExtent, RecordsAtLeastAsLongAsTheirFormat) {
    constexpr int kShort = VARNOKE_LAS_ERR_RECORD_LENGTH;
    const struct {
        uint8_t format;
        uint16_t length;
        int status;
    } cases[] = {
        {0, 19, kShort}, {0, 20, 0}, {1, 27, kShort},  {1, 28, 0},  {2, 25, kShort}, {2, 26, 0},
        {3, 33, kShort}, {3, 34, 0}, {4, 56, kShort},  {4, 57, 0},  {5, 62, kShort}, {5, 63, 0},
        {6, 29, kShort}, {6, 30, 0}, {7, 35, kShort},  {7, 36, 0},  {8, 37, kShort}, {8, 38, 0},
        {9, 58, kShort}, {9, 59, 0}, {10, 66, kShort}, {10, 67, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << int{c.format} << ", " << c.length);
        LasSpec spec;
        spec.minor = 4;
        spec.format = c.format;
        spec.record_length = c.length;
        const Bytes head = make_las(spec);
        varnoke::PointLayout layout;
        EXPECT_EQ(varnoke::judge_layout(head.data(), head.size(), head.size(),
                                        varnoke::LayoutRules::kAllVersions, layout),
                  c.status);
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

// EVLRs of `lengths` (their payloads' bytes, 64-bit) laid out from byte 100 of a file of `size`
// bytes, as far as they fit.
Vlrs evlrs_of(const std::vector<uint64_t> &lengths, std::size_t size) {
    Vlrs v;
    v.bytes.assign(size, 0);
    uint64_t at = 100;
    for (const uint64_t length : lengths) {
        for (std::size_t k = 0; k < 8 && at + 20 + k < size; ++k) {
            v.bytes[static_cast<std::size_t>(at + 20 + k)] =
                static_cast<unsigned char>(length >> (8 * k));
        }
        at += 60 + length;
        if (at >= size) break;
    }
    return v;
}

// The EVLRs counted, each a 60-byte header and its payload, must end inside the file; the walk
// stops at the first that does not, and tells what would have to follow the end.
TEST(PointDataExtent, ExtendedVlrsEndInsideTheFile) {
    constexpr uint64_t kMost = 18446744073709551615u;  // 2^64 - 1
    const struct {
        const char *what;
        std::vector<uint64_t> lengths;
        uint32_t count;
        std::size_t size;
        bool complete;
        uint32_t walked;
        uint64_t missing_bytes;
    } cases[] = {
        {"none counted", {}, 0, 100, true, 0, 0},
        {"one ending at the end", {16}, 1, 176, true, 1, 0},
        {"one ending a byte past the end", {16}, 1, 175, false, 0, 1},
        {"a header ending a byte past the end", {0}, 1, 159, false, 0, 1},
        {"two counted from the end of the file", {}, 2, 100, false, 0, 120},
        {"the second's payload 10 past the end", {0, 50}, 2, 260, false, 1, 10},
        {"three counted, one there", {16}, 3, 176, false, 1, 120},
        {"a payload of 2^64 - 1 bytes", {kMost}, 1, 200, false, 0, kMost - 200},
        // Lengths read far apart, and one across the end of what the walk read before.
        {"the second 20000 bytes on", {20000, 16}, 2, 20236, true, 2, 0},
        {"the second's length 16380 bytes on", {16320, 16}, 2, 16556, true, 2, 0},
        // Zero-length EVLRs: the count bounds nothing, the bytes do.
        {"2^32 - 1 counted, 10 there", std::vector<uint64_t>(10, 0), 4294967295u, 700, false, 10,
         257698037100u},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Vlrs file = evlrs_of(c.lengths, c.size);
        varnoke::EvlrWalk walk;
        ASSERT_EQ(varnoke::walk_evlrs(Vlrs::read, &file, 100, c.count, c.size, walk),
                  VARNOKE_LAS_OK);
        EXPECT_EQ(walk.complete, c.complete);
        EXPECT_EQ(walk.walked, c.walked);
        EXPECT_EQ(walk.missing_bytes, c.missing_bytes);
    }
}

}  // namespace
}  // namespace lastest
