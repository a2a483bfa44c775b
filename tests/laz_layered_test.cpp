// The layered chunks of real LAZ files, decoded only for X, Y, return number and Z: the waveform
// file against its header's values, an empty Z layer, version 4, and chunks cut or altered as a
// hostile file would, each refused with its own status. (Every bundled file against its
// uncompressed twin is LazApi's.)
#include "layered_chunk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/scratch.h"

namespace lastest {
namespace {

using varnoke::PointTally;
using varnoke::laz::decode_layered_chunk;
using varnoke::laz::LayeredBytes;
using varnoke::laz::LayeredItem;
using varnoke::laz::LayeredStatus;
using Bytes = std::vector<unsigned char>;

Bytes load(const std::string &name) {
    std::ifstream in(testdata_dir() / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

template <class T> T at(const Bytes &b, std::size_t offset) {
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

// What the walk through a file needs of its header and its LASzip record.
struct LazFile {
    Bytes bytes;
    std::vector<LayeredItem> items;
    uint32_t chunk_size = 0;
    std::size_t first_chunk = 0;  // after the chunk table's offset
    std::size_t table = 0;        // where the chunks end
    double scale[3] = {};
    double offset[3] = {};
};

LazFile open_laz(const std::string &name) {
    LazFile f;
    f.bytes = load(name);
    const Bytes &b = f.bytes;
    const auto header_size = at<uint16_t>(b, 94);
    const auto data = at<uint32_t>(b, 96);
    const auto vlrs = at<uint32_t>(b, 100);
    for (int i = 0; i < 3; ++i) {
        f.scale[i] = at<double>(b, 131 + 8 * std::size_t(i));
        f.offset[i] = at<double>(b, 155 + 8 * std::size_t(i));
    }
    std::size_t p = header_size;
    for (uint32_t v = 0; v < vlrs; ++v) {
        const auto length = at<uint16_t>(b, p + 20);
        if (at<uint16_t>(b, p + 18) == 22204) {
            const std::size_t d = p + 54;
            f.chunk_size = at<uint32_t>(b, d + 12);
            const auto n = at<uint16_t>(b, d + 32);
            for (std::size_t i = 0; i < n; ++i) {
                f.items.push_back({at<uint16_t>(b, d + 34 + 6 * i), at<uint16_t>(b, d + 36 + 6 * i),
                                   at<uint16_t>(b, d + 38 + 6 * i)});
            }
        }
        p += 54 + length;
    }
    f.first_chunk = data + 8;
    f.table = static_cast<std::size_t>(at<int64_t>(b, data));
    return f;
}

// Every chunk in turn: each one's size is what it decoded and skipped.
struct Walk {
    PointTally tally;
    LayeredBytes bytes;
    std::size_t chunks = 0;
};

// One decoder for every chunk, so that its channels restart from the models of the chunk before.
Walk walk(const LazFile &f, uint32_t bound) {
    Walk w;
    varnoke::laz::LayeredChunkDecoder decoder;
    std::size_t p = f.first_chunk;
    while (p < f.table) {
        LayeredBytes b;
        const std::span<const unsigned char> rest(f.bytes.data() + p, f.table - p);
        const LayeredStatus s = decoder.decode(rest, f.items, bound, w.tally, &b);
        EXPECT_EQ(s, LayeredStatus::ok) << "chunk " << w.chunks;
        if (s != LayeredStatus::ok) break;
        p += b.decoded + b.skipped;
        w.bytes.decoded += b.decoded;
        w.bytes.skipped += b.skipped;
        ++w.chunks;
    }
    EXPECT_EQ(p, f.table);
    return w;
}


void expect_counts(const PointTally &got, const PointTally &want) {
    EXPECT_EQ(got.records, want.records);
    for (std::size_t n = 0; n < 16; ++n) EXPECT_EQ(got.by_return[n], want.by_return[n]) << n;
}



TEST(LazLayered, WaveformFileGivesItsHeadersValues) {
    const LazFile f = open_laz("laz/fullwave.laz");
    const Walk w = walk(f, f.chunk_size);
    EXPECT_EQ(w.tally.records, 10750u);
    const uint64_t by_return[10] = {0, 7124, 1974, 964, 427, 158, 67, 27, 8, 1};
    for (std::size_t n = 0; n < 10; ++n) EXPECT_EQ(w.tally.by_return[n], by_return[n]) << n;
    // The header's box in units of 0.001 from the offsets 194289, 8249136 and 994.
    const int32_t min[3] = {-21581, -39986, -4056};
    const int32_t max[3] = {29295, 1340, 9704};
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(w.tally.min[a], min[a]) << a;
        EXPECT_EQ(w.tally.max[a], max[a]) << a;
    }
    // Nothing but the XY and Z layers is read: RGB, NIR and wave packets are skipped.
    EXPECT_EQ(w.bytes.skipped, 15536u + 4959u + 5607u + 35579u + 100056u);
}

// The one chunk of 1_4_w_evlr.laz, to be altered: the point at 0, the count at 30, the nine
// layer sizes from 34, the layers from 70.
Bytes evlr_chunk() {
    const LazFile f = open_laz("laz/1_4_w_evlr.laz");
    return Bytes(f.bytes.begin() + static_cast<std::ptrdiff_t>(f.first_chunk),
                 f.bytes.begin() + static_cast<std::ptrdiff_t>(f.table));
}

void put_u32(Bytes &b, std::size_t offset, uint32_t v) { std::memcpy(b.data() + offset, &v, 4); }

LayeredStatus decode(const Bytes &chunk, uint32_t bound, PointTally &t,
                     std::vector<LayeredItem> items = {{10, 30, 3}}) {
    return decode_layered_chunk(chunk, items, bound, t);
}

TEST(LazLayered, HostileChunksAreRefused) {
    const Bytes good = evlr_chunk();
    ASSERT_EQ(good.size(), 6451u);
    struct Case {
        const char *what;
        std::size_t cut;      // bytes kept
        std::size_t offset;   // a u32 to overwrite, or 0
        uint32_t value;
        uint32_t bound;
        LayeredStatus want;
    };
    const Case cases[] = {
        {"nothing", 0, 0, 0, 50000, LayeredStatus::truncated},
        {"inside the first point", 29, 0, 0, 50000, LayeredStatus::truncated},
        {"inside the layer sizes", 69, 0, 0, 50000, LayeredStatus::truncated},
        {"the sizes only", 70, 0, 0, 50000, LayeredStatus::layers_past_end},
        {"one byte short", 6450, 0, 0, 50000, LayeredStatus::layers_past_end},
        {"a count over the bound", 6451, 0, 0, 999, LayeredStatus::too_many_points},
        {"the largest count", 6451, 30, 0xFFFFFFFFu, 50000, LayeredStatus::too_many_points},
        {"no point", 6451, 30, 0, 50000, LayeredStatus::no_points},
        {"an XY layer past the end", 6451, 34, 3047, 50000, LayeredStatus::layers_past_end},
        {"a layer size of 2^32 - 1", 6451, 66, 0xFFFFFFFFu, 50000, LayeredStatus::layers_past_end},
        {"no XY layer", 6451, 34, 0, 50000, LayeredStatus::missing_layer},
        {"an XY layer of 3 bytes", 6451, 34, 3, 50000, LayeredStatus::stream_overrun},
        {"a count past the XY stream", 6451, 30, 50000, 50000, LayeredStatus::stream_overrun},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.cut));
        if (c.offset != 0) put_u32(b, c.offset, c.value);
        PointTally t;
        EXPECT_EQ(decode(b, c.bound, t), c.want);
        EXPECT_EQ(t.records, 0u);  // nothing added on a refusal
    }
}

TEST(LazLayered, ItemsOfOtherCompressorsAreRefused) {
    const Bytes good = evlr_chunk();
    const std::vector<std::vector<LayeredItem>> lists = {
        {}, {{10, 30, 2}}, {{10, 30, 5}}, {{6, 20, 2}}, {{11, 6, 3}, {10, 30, 3}},
        {{10, 29, 3}}, {{10, 30, 3}, {8, 6, 2}}, {{10, 30, 3}, {14, 0, 3}},
        {{10, 30, 3}, {10, 30, 3}},
    };
    for (const auto &items : lists) {
        PointTally t;
        EXPECT_EQ(decode(good, 50000, t, items), LayeredStatus::bad_items) << items.size();
    }
}

// An empty Z layer means every point kept the first point's Z; the bytes given back to the
// next layer are never read.
TEST(LazLayered, EmptyZLayerKeepsTheFirstZ) {
    Bytes b = evlr_chunk();
    put_u32(b, 38, 0);
    put_u32(b, 42, 2050);
    PointTally t;
    ASSERT_EQ(decode(b, 50000, t), LayeredStatus::ok);
    EXPECT_EQ(t.records, 1000u);
    int32_t z;
    std::memcpy(&z, b.data() + 8, 4);
    EXPECT_EQ(t.min[2], z);
    EXPECT_EQ(t.max[2], z);
}

TEST(LazLayered, ChunkOfOnePointIsItsRawPoint) {
    Bytes b = evlr_chunk();
    put_u32(b, 30, 1);
    PointTally t;
    ASSERT_EQ(decode(b, 1, t), LayeredStatus::ok);
    EXPECT_EQ(t.records, 1u);
    EXPECT_EQ(t.by_return[b[14] & 15], 1u);
}

// POINT14 of version 4 codes the XY and Z layers as version 3 does.
TEST(LazLayered, VersionFourReadsLikeThree) {
    const Bytes chunk = evlr_chunk();
    PointTally three;
    PointTally four;
    ASSERT_EQ(decode(chunk, 50000, three), LayeredStatus::ok);
    ASSERT_EQ(decode(chunk, 50000, four, {{10, 30, 4}}), LayeredStatus::ok);
    expect_counts(four, three);
}

// Any byte of the chunk changed: a status, never a read outside the chunk (the sanitizer build
// sees to that), and on success exactly the chunk's count.
TEST(LazLayered, ChangedBytesStayInsideTheChunk) {
    const Bytes good = evlr_chunk();
    const LayeredItem items[] = {{10, 30, 3}};
    varnoke::laz::LayeredChunkDecoder decoder;
    for (std::size_t at_byte = 0; at_byte < good.size(); at_byte += 13) {
        for (const unsigned x : {0x01u, 0x80u, 0xFFu}) {
            Bytes b = good;
            b[at_byte] = static_cast<unsigned char>(b[at_byte] ^ x);
            PointTally t;
            const LayeredStatus s = decoder.decode(b, items, 1000, t);
            if (s == LayeredStatus::ok) {
                uint32_t count;
                std::memcpy(&count, b.data() + 30, 4);
                EXPECT_EQ(t.records, count) << at_byte;
            } else {
                EXPECT_EQ(t.records, 0u) << at_byte;
            }
        }
    }
}

}  // namespace
}  // namespace lastest
