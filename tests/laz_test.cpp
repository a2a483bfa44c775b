// The LAZ decoder of pointwise chunks, its chunk table and its LASzip VLR: the last chunk's
// count from its bytes alone, and hostile input refused. (Every bundled file against its
// uncompressed twin is LazApi's.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "arithmetic_decoder.h"
#include "laz_tally.h"
#include "support/scratch.h"

using namespace varnoke;
using namespace varnoke::laz;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes load(const std::string &name) {
    std::ifstream in(lastest::testdata_dir() / "laz" / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint32_t le(const Bytes &b, std::size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}


// The file's header and LASzip VLR read into the driver's description.
LazStatus describe(const Bytes &laz, LazFile &f) {
    const uint32_t data_start = le(laz, 96, 4);
    f.file_size = laz.size();
    f.data_start = data_start;
    f.data_end = laz.size();
    f.point_format = laz[104];
    f.record_length = static_cast<uint16_t>(le(laz, 105, 2));
    const Bytes *file = &laz;
    f.read = [file](uint64_t pos, void *to, std::size_t n) -> int64_t {
        if (pos > file->size()) return -1;
        const std::size_t got = std::min<std::size_t>(n, file->size() - pos);
        std::memcpy(to, file->data() + pos, got);
        return static_cast<int64_t>(got);
    };
    std::span<const unsigned char> payload;
    const LazStatus s = find_laszip_vlr(std::span(laz.data(), data_start),
                                        static_cast<uint16_t>(le(laz, 94, 2)), le(laz, 100, 4),
                                        payload);
    if (s != LazStatus::ok) return s;
    return parse_laszip_vlr(payload, f.point_format, f.record_length, f.vlr);
}

LazTally tally_of(const Bytes &laz) {
    LazFile f;
    const LazStatus s = describe(laz, f);
    if (s != LazStatus::ok) {
        LazTally t;
        t.status = s;
        return t;
    }
    return tally_laz(f);
}




// The decoder never reads the header's count: copies whose count says otherwise decode alike.
TEST(LazPointwise, LastChunkCountComesFromItsBytes) {
    for (const char *name : {"point10.las.laz", "autzen_trim.laz"}) {
        for (uint32_t count : {0u, 1u, 1064u, 49999u, 50001u, 0xFFFFFFFFu}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(count));
            Bytes laz = load(name);
            for (unsigned i = 0; i < 4; ++i) laz[107 + i] = static_cast<unsigned char>(count >> (8 * i));
            const LazTally got = tally_of(laz);
            ASSERT_EQ(got.status, LazStatus::ok);
            EXPECT_TRUE(got.exact);
            EXPECT_EQ(got.tally.records, std::string(name) == "point10.las.laz" ? 1065u : 110000u);
        }
    }
}

// Where the LASzip VLR's header starts.
std::size_t laszip_vlr_at(const Bytes &b) {
    const char user[] = "laszip encoded";
    const auto it = std::search(b.begin(), b.end(), user, user + sizeof user - 1);
    return static_cast<std::size_t>(it - b.begin()) - 2;
}



void put_u64(Bytes &b, std::size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// Hostile input, each refused with its own reason.
TEST(LazPointwise, HostileInputIsRefusedWithItsReason) {
    const Bytes good = load("autzen_trim.laz");
    const uint32_t data_start = le(good, 96, 4);
    uint64_t table = 0;
    for (int i = 7; i >= 0; --i) table = (table << 8) | good[data_start + static_cast<std::size_t>(i)];

    struct Case {
        const char *what;
        void (*edit)(Bytes &, uint32_t, uint64_t);
        LazStatus want;
    };
    const Case cases[] = {
        {"table past the end", [](Bytes &b, uint32_t s, uint64_t) { put_u64(b, s, b.size()); },
         LazStatus::table_outside_file},
        {"table 7 bytes before the end",
         [](Bytes &b, uint32_t s, uint64_t) { put_u64(b, s, b.size() - 7); },
         LazStatus::table_outside_file},
        {"table inside the offset", [](Bytes &b, uint32_t s, uint64_t) { put_u64(b, s, s + 4); },
         LazStatus::table_before_chunks},
        {"table offset missing everywhere",
         [](Bytes &b, uint32_t s, uint64_t) {
             put_u64(b, s, ~uint64_t{0});
             put_u64(b, b.size() - 8, ~uint64_t{0});
         },
         LazStatus::table_missing},
        {"table one byte early: sizes overrun it",
         [](Bytes &b, uint32_t s, uint64_t t) {
             b.insert(b.begin() + static_cast<std::ptrdiff_t>(t), 0);
             b.erase(b.begin() + static_cast<std::ptrdiff_t>(t) + 1);
             put_u64(b, s, t - 1);
             std::memmove(&b[t - 1], &b[t], b.size() - t);
         },
         LazStatus::chunks_overrun},
        {"more chunks than bytes",
         [](Bytes &b, uint32_t, uint64_t t) {
             for (int i = 0; i < 4; ++i) b[t + 4 + static_cast<std::size_t>(i)] = 0xFF;
         },
         LazStatus::too_many_chunks},
        {"table version 1", [](Bytes &b, uint32_t, uint64_t t) { b[t] = 1; },
         LazStatus::table_version},
        {"table stream cut", [](Bytes &b, uint32_t, uint64_t t) { b.resize(t + 10); },
         LazStatus::table_overrun},
        {"record length 1 more", [](Bytes &b, uint32_t, uint64_t) { ++b[105]; },
         LazStatus::record_length_mismatch},
        {"point format 2 with format 3's items", [](Bytes &b, uint32_t, uint64_t) { b[104] = 0x82; },
         LazStatus::item_mismatch},
        {"layered compressor for format 3",
         [](Bytes &b, uint32_t, uint64_t) {
             b[laszip_vlr_at(b) + 54] = 3;
         },
         LazStatus::unsupported_compressor},
        {"item version 1",
         [](Bytes &b, uint32_t, uint64_t) { b[laszip_vlr_at(b) + 54 + 34 + 4] = 1; },
         LazStatus::item_version_1},
        {"item version 5",
         [](Bytes &b, uint32_t, uint64_t) { b[laszip_vlr_at(b) + 54 + 34 + 4] = 5; },
         LazStatus::unsupported_item_version},
        {"no LASzip VLR", [](Bytes &b, uint32_t, uint64_t) { b[laszip_vlr_at(b) + 2] = 'X'; },
         LazStatus::no_laszip_vlr},
        {"VLR past the point data", [](Bytes &b, uint32_t, uint64_t) { b[le(b, 94, 2) + 21] = 0xFF; },
         LazStatus::vlr_outside_header},
        {"middle chunk's bytes zeroed",
         [](Bytes &b, uint32_t s, uint64_t t) {
             std::memset(&b[s + 8 + 300000], 0, static_cast<std::size_t>(t) - (s + 8 + 300000));
         },
         LazStatus::stream_overrun},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = good;
        c.edit(b, data_start, table);
        const LazTally got = tally_of(b);
        EXPECT_EQ(got.status, c.want) << laz_status_text(got.status);
        EXPECT_EQ(got.tally.records, 0u);
    }
}

// Every cut of a chunk short of its end is refused, never read past.
TEST(LazPointwise, TruncatedChunkIsRefused) {
    const Bytes laz = load("point-color-time.las.laz");
    LazFile f;
    ASSERT_EQ(describe(laz, f), LazStatus::ok);
    ChunkTable table;
    ASSERT_EQ(read_chunk_table(f.read, f.data_start, f.file_size, false, table), LazStatus::ok);
    ASSERT_EQ(table.chunks.size(), 1u);
    const Chunk &c = table.chunks[0];
    for (uint64_t cut : {uint64_t{0}, uint64_t{33}, uint64_t{34 + 3}, c.bytes / 2, c.bytes - 1}) {
        SCOPED_TRACE(cut);
        const Bytes part(laz.begin() + static_cast<std::ptrdiff_t>(c.offset),
                         laz.begin() + static_cast<std::ptrdiff_t>(c.offset + cut));
        PointTally t;
        const PointwiseResult r = decode_pointwise_chunk(part, f.vlr.items, 50000, 0, t);
        EXPECT_NE(r.status, LazStatus::ok);
        EXPECT_EQ(t.records, 0u);
        // Cut inside the first point or the coder's first bytes.
        if (cut < 34 + 4) {
            EXPECT_EQ(r.status, LazStatus::chunk_truncated);
        }
    }
    // A count the chunk size cannot hold.
    PointTally t;
    const Bytes whole(laz.begin() + static_cast<std::ptrdiff_t>(c.offset),
                      laz.begin() + static_cast<std::ptrdiff_t>(c.offset + c.bytes));
    EXPECT_EQ(decode_pointwise_chunk(whole, f.vlr.items, 1000, 1065, t).status,
              LazStatus::too_many_points);
    EXPECT_EQ(decode_pointwise_chunk(whole, f.vlr.items, 1065, 1065, t).status, LazStatus::ok);
    EXPECT_EQ(t.records, 1065u);
}

// Raw reads take the bits the interval gives, and a read past the bytes is flagged.
TEST(LazArithmetic, RawReadsAndTheEndOfTheBytes) {
    const unsigned char bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    ArithmeticDecoder d;
    EXPECT_FALSE(d.start(bytes, bytes + 3));
    ASSERT_TRUE(d.start(bytes, bytes + 5));
    EXPECT_EQ(d.bytes_consumed(), 4u);
    // 0x12345678 in an interval of 0xFFFFFFFF: the top byte is 0x12, what is left is
    // 0x12345678 - 0x12 * 0xFFFFFF, and one byte comes in.
    EXPECT_EQ(d.read_bits(8), 0x12u);
    EXPECT_EQ(d.value(), 0x34568A9Au);
    EXPECT_EQ(d.length(), 0xFFFFFF00u);
    EXPECT_EQ(d.bytes_consumed(), 5u);
    EXPECT_FALSE(d.overrun());
    d.read_bits(8);  // wants a sixth byte
    EXPECT_TRUE(d.overrun());
    EXPECT_EQ(d.bytes_consumed(), 6u);
}

// A chunk of one point: its raw record, then the four bytes a writer leaves for an empty stream.
TEST(LazPointwise, ChunkOfOnePointIsItsRawRecord) {
    Bytes chunk(20 + 4, 0);
    chunk[0] = 7;     // X
    chunk[4] = 0xF9;  // Y = -7
    chunk[5] = chunk[6] = chunk[7] = 0xFF;
    chunk[8] = 1;                // Z
    chunk[14] = 2 | (3 << 3);    // return 2 of 3
    chunk[20] = 0x01;            // the interval's base moved up by 2^24, then zeros
    const LazItem items[] = {{6, 20, 2}};
    PointTally t;
    const PointwiseResult r = decode_pointwise_chunk(chunk, items, 50000, 0, t);
    ASSERT_EQ(r.status, LazStatus::ok);
    EXPECT_EQ(r.count, ChunkCount::exact);
    EXPECT_EQ(t.records, 1u);
    EXPECT_EQ(t.by_return[2], 1u);
    EXPECT_EQ(t.min[0], 7);
    EXPECT_EQ(t.max[1], -7);
    EXPECT_EQ(t.min[2], 1);
}


}  // namespace
