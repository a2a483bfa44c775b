// Layered chunks (point formats 6 to 10) through the chunk decoder and the scan's entry, decoded
// only for X, Y, return number and Z: the waveform file against its header's values, the layers
// filling their chunk to the byte and each decoded one ending exactly at its size, damaged and
// cut chunks refused with their reasons, cut files counting their whole chunks. (Every bundled
// file against its uncompressed twin is LazApi's.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "chunk_decoder.h"
#include "chunk_table.h"
#include "laz_scan.h"
#include "support/las_file.h"
#include "support/laz_bytes.h"
#include "support/scratch.h"

namespace lastest {
namespace {

using varnoke::PointTally;
using varnoke::ScanFindings;
using varnoke::Workers;
using varnoke::laz::ChunkDecoder;
using varnoke::laz::ChunkResult;
using varnoke::laz::ChunkSpec;
using varnoke::laz::LazFile;
using varnoke::laz::LazStatus;
using varnoke::laz::Stop;

Bytes load(const std::string &name) {
    return read_file((testdata_dir() / "laz" / name).string());
}

void put_u32(Bytes &b, std::size_t offset, uint32_t v) {
    std::memcpy(b.data() + offset, &v, 4);
}

// 1_4_w_evlr.laz's one chunk of 1,000 points at 2,407, 6,451 bytes: the point at 0, the count at
// 30, the nine layer sizes from 34 (XY 3,046, Z 2,050, then 0, 121, 565, 44, 0, 0 and 555), the
// layers from 70.
constexpr std::size_t kChunkAt = 2407;
constexpr std::size_t kChunkBytes = 6451;

struct EvlrChunk {
    Bytes file = load("1_4_w_evlr.laz");
    // Byte `at` of the chunk.
    unsigned char &operator[](std::size_t at) { return file[kChunkAt + at]; }
    void put(std::size_t at, uint32_t v) { put_u32(file, kChunkAt + at, v); }

    ChunkResult decode(uint64_t bytes = kChunkBytes, uint64_t max = 50000, uint64_t points = 0) {
        LazFile f;
        EXPECT_EQ(describe_laz(file, f), LazStatus::ok);
        ChunkDecoder decoder(f);
        ChunkSpec spec;
        spec.offset = kChunkAt;
        spec.bytes = bytes;
        spec.max_points = max;
        spec.points = points;
        return decoder.decode(spec, Stop{});
    }
};

void expect_same(const PointTally &got, const PointTally &want) {
    EXPECT_EQ(got.records, want.records);
    for (std::size_t n = 0; n < 16; ++n) EXPECT_EQ(got.by_return[n], want.by_return[n]) << n;
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(got.min[a], want.min[a]) << a;
        EXPECT_EQ(got.max[a], want.max[a]) << a;
    }
}

TEST(LazLayered, WaveformFileGivesItsHeadersValues) {
    const Bytes b = load("fullwave.laz");
    LazFile f;
    ASSERT_EQ(describe_laz(b, f), LazStatus::ok);
    PointTally t;
    ScanFindings found;
    ASSERT_EQ(varnoke::scan_laz_file(f, Workers{}, 10750, t, found), VARNOKE_LAS_OK);
    EXPECT_EQ(t.records, 10750u);
    const uint64_t by_return[10] = {0, 7124, 1974, 964, 427, 158, 67, 27, 8, 1};
    for (std::size_t n = 0; n < 10; ++n) EXPECT_EQ(t.by_return[n], by_return[n]) << n;
    // The header's box in units of 0.001 from the offsets 194289, 8249136 and 994.
    const int32_t min[3] = {-21581, -39986, -4056};
    const int32_t max[3] = {29295, 1340, 9704};
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(t.min[a], min[a]) << a;
        EXPECT_EQ(t.max[a], max[a]) << a;
    }
}

TEST(LazLayered, DamagedChunksAreRefused) {
    struct Case {
        const char *what;
        uint64_t bytes;      // the chunk's size as its table gives it
        std::size_t offset;  // a u32 of the chunk to overwrite, or 0
        uint32_t value;
        std::size_t offset2;  // a second one, or 0
        uint32_t value2;
        uint64_t max, points;
        LazStatus want;
    };
    const Case cases[] = {
        {"as written", kChunkBytes, 0, 0, 0, 0, 50000, 0, LazStatus::ok},
        {"nothing", 0, 0, 0, 0, 0, 50000, 0, LazStatus::chunk_truncated},
        {"inside the first point", 29, 0, 0, 0, 0, 50000, 0, LazStatus::chunk_truncated},
        {"inside the layer sizes", 69, 0, 0, 0, 0, 50000, 0, LazStatus::chunk_truncated},
        {"the sizes only", 70, 0, 0, 0, 0, 50000, 0, LazStatus::layers_past_end},
        {"one byte short", kChunkBytes - 1, 0, 0, 0, 0, 50000, 0, LazStatus::layers_past_end},
        {"one byte more", kChunkBytes + 1, 0, 0, 0, 0, 50000, 0, LazStatus::layers_short_of_end},
        {"a count over the bound", kChunkBytes, 0, 0, 0, 0, 999, 0, LazStatus::too_many_points},
        {"the largest count", kChunkBytes, 30, 0xFFFFFFFFu, 0, 0, 50000, 0,
         LazStatus::too_many_points},
        {"no point", kChunkBytes, 30, 0, 0, 0, 50000, 0, LazStatus::no_points},
        {"a table's count one more", kChunkBytes, 0, 0, 0, 0, 50000, 1001,
         LazStatus::count_mismatch},
        {"a table's count one fewer", kChunkBytes, 0, 0, 0, 0, 50000, 999,
         LazStatus::count_mismatch},
        {"a count one fewer: the XY layer not used up", kChunkBytes, 30, 999, 0, 0, 50000, 0,
         LazStatus::stream_end},
        {"a count far past the XY layer", kChunkBytes, 30, 50000, 0, 0, 50000, 0,
         LazStatus::stream_overrun},
        {"an XY layer past the end", kChunkBytes, 34, 3047, 0, 0, 50000, 0,
         LazStatus::layers_past_end},
        {"a layer size of 2^32 - 1", kChunkBytes, 66, 0xFFFFFFFFu, 0, 0, 50000, 0,
         LazStatus::layers_past_end},
        {"no XY layer, its bytes the third layer's", kChunkBytes, 34, 0, 42, 3046, 50000, 0,
         LazStatus::missing_layer},
        {"an XY layer of 3 bytes", kChunkBytes, 34, 3, 42, 3043, 50000, 0,
         LazStatus::stream_overrun},
        {"an XY layer one byte short", kChunkBytes, 34, 3045, 42, 1, 50000, 0,
         LazStatus::stream_overrun},
        {"a Z layer one byte long", kChunkBytes, 38, 2051, 46, 120, 50000, 0,
         LazStatus::stream_end},
        {"no Z layer, its bytes nobody's", kChunkBytes, 38, 0, 0, 0, 50000, 0,
         LazStatus::layers_short_of_end},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EvlrChunk chunk;
        if (c.offset != 0) chunk.put(c.offset, c.value);
        if (c.offset2 != 0) chunk.put(c.offset2, c.value2);
        const ChunkResult r = chunk.decode(c.bytes, c.max, c.points);
        EXPECT_EQ(r.status, c.want);
        EXPECT_EQ(r.tally.records, c.want == LazStatus::ok ? 1000u : 0u);
    }
}

TEST(LazLayered, ItemsOfOtherCompressorsAreRefused) {
    EvlrChunk chunk;
    LazFile f;
    ASSERT_EQ(describe_laz(chunk.file, f), LazStatus::ok);
    const std::vector<std::vector<varnoke::laz::LazItem>> lists = {
        {},
        {{10, 30, 2}},
        {{10, 30, 5}},
        {{6, 20, 2}},
        {{11, 6, 3}, {10, 30, 3}},
        {{10, 29, 3}},
        {{10, 30, 3}, {8, 6, 2}},
        {{10, 30, 3}, {14, 0, 3}},
        {{10, 30, 3}, {10, 30, 3}},
    };
    for (const auto &items : lists) {
        f.vlr.items = items;
        ChunkDecoder decoder(f);
        ChunkSpec spec;
        spec.offset = kChunkAt;
        spec.bytes = kChunkBytes;
        spec.max_points = 50000;
        EXPECT_EQ(decoder.decode(spec, Stop{}).status, LazStatus::item_mismatch) << items.size();
    }
}

// An empty Z layer means every point kept the first point's Z; the bytes given to the next
// layer are never read.
TEST(LazLayered, EmptyZLayerKeepsTheFirstZ) {
    EvlrChunk chunk;
    chunk.put(38, 0);
    chunk.put(42, 2050);
    const ChunkResult r = chunk.decode();
    ASSERT_EQ(r.status, LazStatus::ok);
    EXPECT_EQ(r.tally.records, 1000u);
    int32_t z;
    std::memcpy(&z, &chunk[8], 4);
    EXPECT_EQ(r.tally.min[2], z);
    EXPECT_EQ(r.tally.max[2], z);
}

// POINT14 of version 4 codes the XY and Z layers as version 3 does.
TEST(LazLayered, VersionFourReadsLikeThree) {
    EvlrChunk chunk;
    const ChunkResult three = chunk.decode();
    ASSERT_EQ(three.status, LazStatus::ok);
    LazFile f;
    ASSERT_EQ(describe_laz(chunk.file, f), LazStatus::ok);
    f.vlr.items[0].version = 4;
    ChunkDecoder decoder(f);
    ChunkSpec spec;
    spec.offset = kChunkAt;
    spec.bytes = kChunkBytes;
    spec.max_points = 50000;
    const ChunkResult four = decoder.decode(spec, Stop{});
    ASSERT_EQ(four.status, LazStatus::ok);
    expect_same(four.tally, three.tally);
}

// Any byte of the chunk changed: a status, never a read outside the chunk (the sanitizer build
// sees to that), and never other values than the chunk's. A change to the count, the sizes, the
// XY or the Z layer is refused, but in the last bytes of a layer, which only fix its end within
// the interval its last point left.
TEST(LazLayered, ChangedBytesAreRefusedOrChangeNothing) {
    EvlrChunk good;
    const ChunkResult want = good.decode();
    ASSERT_EQ(want.status, LazStatus::ok);
    // One decoder, as a thread keeps it from chunk to chunk, reading the changed bytes.
    Bytes b = good.file;
    LazFile f;
    ASSERT_EQ(describe_laz(b, f), LazStatus::ok);
    f.read = [&b](uint64_t pos, void *to, std::size_t n) -> int64_t {
        const std::size_t got = std::min<std::size_t>(n, b.size() - static_cast<std::size_t>(pos));
        std::memcpy(to, b.data() + pos, got);
        return static_cast<int64_t>(got);
    };
    ChunkDecoder decoder(f);
    ChunkSpec spec;
    spec.offset = kChunkAt;
    spec.bytes = kChunkBytes;
    spec.max_points = 50000;
    // Decoded: the count, the sizes and the two layers (the first point is taken as it is). The
    // XY layer ends at 3,116, the Z layer at 5,166.
    const std::size_t decoded_end = 5166;
    for (std::size_t at = 30; at < kChunkBytes; at += at < decoded_end ? 3 : 41) {
        for (const unsigned x : {0x01u, 0x80u}) {
            b = good.file;
            b[kChunkAt + at] = static_cast<unsigned char>(b[kChunkAt + at] ^ x);
            const ChunkResult r = decoder.decode(spec, Stop{});
            const bool layer_end = (at >= 3116 - 3 && at < 3116) || at >= 5166 - 3;
            if (!layer_end) {
                EXPECT_NE(r.status, LazStatus::ok) << at << " ^ " << x;
            } else if (at >= decoded_end) {
                EXPECT_EQ(r.status, LazStatus::ok) << at;
            }
            if (r.status == LazStatus::ok) {
                expect_same(r.tally, want.tally);
            } else {
                EXPECT_EQ(r.tally.records, 0u) << at;
            }
        }
    }
}

// Streamed through windows of a few bytes (the XY and the Z layer each through its own), a chunk
// decodes as it does held whole.
TEST(LazLayered, StreamedChunkDecodesAsHeldWhole) {
    const Bytes b = load("fullwave.laz");
    LazFile f;
    ASSERT_EQ(describe_laz(b, f), LazStatus::ok);
    ChunkSpec spec;
    spec.offset = 2580 + 8;
    spec.bytes = 200880 - spec.offset;
    spec.max_points = 50000;
    ChunkDecoder whole(f);
    const ChunkResult want = whole.decode(spec, Stop{});
    ASSERT_EQ(want.status, LazStatus::ok);
    for (std::size_t window : {std::size_t{1}, std::size_t{1000}, std::size_t{40000}}) {
        SCOPED_TRACE(window);
        ChunkDecoder small(f, window);
        const ChunkResult got = small.decode(spec, Stop{});
        ASSERT_EQ(got.status, LazStatus::ok);
        expect_same(got.tally, want.tally);
    }
}

// layered-chunks-of-100.laz: 301 points in chunks of 100, 100, 100 and 1 (its raw point and two
// layers of the four bytes an empty stream is written as) from 477, the table at 2,434.
TEST(LazLayered, CutFileCountsItsWholeChunks) {
    const Bytes whole = load("layered-chunks-of-100.laz");
    LazFile f;
    ASSERT_EQ(describe_laz(whole, f), LazStatus::ok);
    varnoke::laz::ChunkTable table;
    ASSERT_EQ(varnoke::laz::read_chunk_table(f, Stop{}, table), LazStatus::ok);
    ASSERT_EQ(table.chunks.size(), 4u);
    const uint64_t unbounded = std::numeric_limits<uint64_t>::max();
    const struct {
        const char *what;
        uint64_t keep;
        uint64_t records, most;
        unsigned missing;
    } cases[] = {
        {"whole", whole.size(), 301, 301, 0},
        {"without its table", table.table_offset, 301, 301, VARNOKE_LAS_MISSING_CHUNK_TABLE},
        {"inside the last chunk", table.table_offset - 1, 300, unbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS},
        {"one byte into the second chunk", table.chunks[1].offset + 1, 100, unbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS},
        {"at the third chunk", table.chunks[2].offset, 200, unbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = whole;
        b.resize(c.keep);
        ASSERT_EQ(describe_laz(b, f), LazStatus::ok);
        PointTally t;
        ScanFindings found;
        ASSERT_EQ(varnoke::scan_laz_file(f, Workers{}, 301, t, found), VARNOKE_LAS_OK);
        EXPECT_EQ(t.records, c.records);
        EXPECT_EQ(found.exact, c.most == c.records);
        if (!found.exact) {
            EXPECT_EQ(found.most_records, c.most);
        }
        EXPECT_EQ(found.missing, c.missing);
    }
}

}  // namespace
}  // namespace lastest
