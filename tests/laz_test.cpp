// The LAZ scan of pointwise files through its entry (scan_laz_file, in memory): the chunk table
// against the chunks, files cut short, a stream without chunks, hostile sizes, the stop, the
// public status of every reason; the chunk decoder's end of a stream; the range decoder's raw
// reads and its end of a stream. (Every bundled file against its uncompressed twin is LazApi's.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "arithmetic_decoder.h"
#include "chunk_decoder.h"
#include "chunk_table.h"
#include "laz_scan.h"
#include "support/las_file.h"
#include "support/laz_bytes.h"
#include "support/scratch.h"

using namespace varnoke;
using namespace varnoke::laz;
using lastest::Bytes;

namespace {

constexpr uint64_t kUnbounded = std::numeric_limits<uint64_t>::max();

Bytes load(const std::string &name) {
    return lastest::read_file((lastest::testdata_dir() / "laz" / name).string());
}

struct Scan {
    int status = VARNOKE_LAS_OK;
    PointTally tally;
    ScanFindings found;
};

// The scan of `file` with the header count `stored` (the file's own where not given).
Scan scan_of(const LazFile &file, uint64_t stored, const Workers &workers = Workers{}) {
    Scan s;
    s.status = scan_laz_file(file, workers, stored, s.tally, s.found);
    return s;
}

uint64_t header_count(const Bytes &laz) {
    return laz[25] >= 4 ? lastest::u64_at(laz, 247) : lastest::u32_at(laz, 107);
}

Scan scan_of(const Bytes &laz) {
    LazFile file;
    EXPECT_EQ(lastest::describe_laz(laz, file), LazStatus::ok);
    return scan_of(file, header_count(laz));
}

void put_u32(Bytes &b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}
void put_u64(Bytes &b, std::size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// autzen_trim.laz: point data at 2144, its chunks of 283,499, 262,423 and 55,259 bytes (50,000,
// 50,000 and 10,000 points) from 2152, the table of 20 bytes at 603,333.
constexpr std::size_t kAutzenData = 2144;
constexpr uint64_t kAutzenChunk[] = {2152, 285651, 548074};
constexpr uint64_t kAutzenTable = 603333;

// The decoder never reads the header's count: copies whose count says otherwise decode alike.
TEST(LazPointwise, LastChunkCountComesFromItsBytes) {
    for (const char *name : {"point10.las.laz", "autzen_trim.laz"}) {
        for (uint32_t count : {0u, 1u, 1064u, 49999u, 50001u, 0xFFFFFFFFu}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(count));
            Bytes laz = load(name);
            put_u32(laz, 107, count);
            const Scan got = scan_of(laz);
            ASSERT_EQ(got.status, VARNOKE_LAS_OK);
            EXPECT_TRUE(got.found.exact);
            EXPECT_EQ(got.found.missing, 0u);
            EXPECT_EQ(got.tally.records, std::string(name) == "point10.las.laz" ? 1065u : 110000u);
        }
    }
}

// Where the table lies and what it says, each refused with its own reason: a table must begin
// where the last chunk ends, and lies inside the point data.
TEST(LazTable, TableMeetsTheChunksOrIsRefused) {
    struct Case {
        const char *what;
        void (*edit)(Bytes &);
        LazStatus want;
        int status;
    };
    const Case cases[] = {
        {"as written", [](Bytes &) {}, LazStatus::ok, VARNOKE_LAS_OK},
        {"its count 3 dropped to 2: two chunks end before it",
         [](Bytes &b) { b[kAutzenTable + 4] = 2; }, LazStatus::chunks_short_of_table,
         VARNOKE_LAS_ERR_LAZ_TABLE},
        {"its count raised to 4: a fourth size runs past it",
         [](Bytes &b) { b[kAutzenTable + 4] = 4; }, LazStatus::chunks_overrun,
         VARNOKE_LAS_ERR_LAZ_TABLE},
        {"its offset one byte early: the last chunk overlaps it",
         [](Bytes &b) {
             put_u64(b, kAutzenData, kAutzenTable - 1);
             b.erase(b.begin() + static_cast<std::ptrdiff_t>(kAutzenTable - 1));
         },
         LazStatus::chunks_overrun, VARNOKE_LAS_ERR_LAZ_TABLE},
        {"its offset one byte late: the chunks end before it",
         [](Bytes &b) {
             put_u64(b, kAutzenData, kAutzenTable + 1);
             b.insert(b.begin() + static_cast<std::ptrdiff_t>(kAutzenTable), 0);
         },
         LazStatus::chunks_short_of_table, VARNOKE_LAS_ERR_LAZ_TABLE},
        {"its offset inside the offset field",
         [](Bytes &b) { put_u64(b, kAutzenData, kAutzenData + 4); }, LazStatus::table_before_chunks,
         VARNOKE_LAS_ERR_LAZ_TABLE},
        {"more chunks than the bytes before it can hold: 262,591 of 23 bytes (a record and 4)",
         [](Bytes &b) { put_u32(b, kAutzenTable + 4, 262591); }, LazStatus::too_many_chunks,
         VARNOKE_LAS_ERR_LAZ_TABLE},
        {"version 1", [](Bytes &b) { b[kAutzenTable] = 1; }, LazStatus::table_version,
         VARNOKE_LAS_ERR_LAZ_TABLE},
        {"no offset at the start, the table's at the end (a writer that could not go back)",
         [](Bytes &b) {
             put_u64(b, kAutzenData, ~uint64_t{0});
             const std::size_t end = b.size();
             b.resize(end + 8);
             put_u64(b, end, kAutzenTable);
         },
         LazStatus::ok, VARNOKE_LAS_OK},
        {"no offset at the start nor at the end",
         [](Bytes &b) {
             put_u64(b, kAutzenData, ~uint64_t{0});
             put_u64(b, b.size() - 8, ~uint64_t{0});
         },
         LazStatus::table_missing, VARNOKE_LAS_ERR_LAZ_NO_TABLE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = load("autzen_trim.laz");
        c.edit(b);
        LazFile file;
        ASSERT_EQ(lastest::describe_laz(b, file), LazStatus::ok);
        ChunkTable table;
        EXPECT_EQ(read_chunk_table(file, Stop{}, table), c.want);
        EXPECT_FALSE(table.lost);
        const Scan got = scan_of(file, 110000);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.tally.records, c.status == VARNOKE_LAS_OK ? 110000u : 0u);
    }
}

// A file cut short: the table (at its end) is lost and the chunks are found one after the other.
// Cut inside the table or at its start, every chunk is there: the count is exact. Cut inside
// the chunks, the whole chunks before the cut are the count, with no bound on what is missing.
TEST(LazTable, CutFileCountsItsWholeChunks) {
    const struct {
        const char *what;
        uint64_t keep;  // bytes kept
        uint64_t records;
        uint64_t most;
        unsigned missing;
        uint64_t missing_bytes;  // at least
    } cases[] = {
        {"one byte of the table's stream lost", kAutzenTable + 19, 110000, 110000,
         VARNOKE_LAS_MISSING_CHUNK_TABLE, 1},
        {"the table's stream lost", kAutzenTable + 8, 110000, 110000,
         VARNOKE_LAS_MISSING_CHUNK_TABLE, 4},
        {"the table's count cut", kAutzenTable + 7, 110000, 110000, VARNOKE_LAS_MISSING_CHUNK_TABLE,
         1},
        {"at the table's start", kAutzenTable, 110000, 110000, VARNOKE_LAS_MISSING_CHUNK_TABLE, 8},
        {"the last chunk's last byte", kAutzenTable - 1, 100000, kUnbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS, 9},
        {"at the last chunk's start", kAutzenChunk[2], 100000, kUnbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS, 55267},
        {"one byte into the second chunk", kAutzenChunk[1] + 1, 50000, kUnbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS, 317689},
        {"inside the first chunk's raw point", kAutzenChunk[0] + 10, 0, kUnbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS, 601179},
        {"inside the table's offset", kAutzenData + 5, 0, kUnbounded,
         VARNOKE_LAS_MISSING_CHUNK_TABLE | VARNOKE_LAS_MISSING_RECORDS, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = load("autzen_trim.laz");
        b.resize(c.keep);
        const Scan got = scan_of(b);
        ASSERT_EQ(got.status, VARNOKE_LAS_OK);
        EXPECT_EQ(got.tally.records, c.records);
        EXPECT_EQ(got.found.exact, c.most == c.records);
        if (!got.found.exact) {
            EXPECT_EQ(got.found.most_records, c.most);
        }
        EXPECT_EQ(got.found.missing, c.missing);
        EXPECT_EQ(got.found.missing_bytes, c.missing_bytes);
    }
}

// A cut file's chunks are held to the same rules: a chunk damaged before the cut is refused.
TEST(LazTable, CutFileWithADamagedChunkIsRefused) {
    Bytes b = load("autzen_trim.laz");
    b.resize(kAutzenChunk[2] + 100);
    b[kAutzenChunk[1] + 5000] ^= 0x10;
    EXPECT_EQ(scan_of(b).status, VARNOKE_LAS_ERR_LAZ_CHUNK);
    // Not cut, but for its table: every chunk must then end where the table would begin.
    Bytes c = load("autzen_trim.laz");
    put_u64(c, kAutzenData, kAutzenTable + 1);
    c.resize(kAutzenTable + 1);
    EXPECT_EQ(scan_of(c).status, VARNOKE_LAS_ERR_LAZ_CHUNK);
}

// Sizes a hostile file claims cost nothing until its bytes bear them out.
TEST(LazTable, SparseFileClaimingFortyMillionChunksIsRefusedAtOnce) {
    // A gigabyte of holes between the first chunk and a table counting 40,000,000 chunks (a
    // count its bytes could hold, of 24 bytes each at least), none of whose sizes decodes; and
    // 50,000,000, more than they could.
    const Bytes head = load("point10.las.laz");
    for (const auto &[count, want] : {std::pair{40000000u, LazStatus::chunks_overrun},
                                      std::pair{50000000u, LazStatus::too_many_chunks}}) {
        SCOPED_TRACE(count);
        lastest::SparseFile sparse;
        sparse.size = uint64_t{1} << 30;
        Bytes start(head.begin(), head.begin() + 1301 + 8);
        put_u64(start, 1301, sparse.size - 64);
        sparse.parts.emplace_back(0, start);
        Bytes table(64, 0);
        put_u32(table, 4, count);
        sparse.parts.emplace_back(sparse.size - 64, table);
        LazFile file;
        ASSERT_EQ(lastest::describe_laz(sparse, file), LazStatus::ok);
        ChunkTable t;
        EXPECT_EQ(read_chunk_table(file, Stop{}, t), want);
        EXPECT_EQ(scan_of(file, 1065).status, VARNOKE_LAS_ERR_LAZ_TABLE);
    }
}

// The chunk of point-color-time.las.laz (1,065 points, format 3), for the decoder alone.
struct OneChunk {
    Bytes laz = load("point-color-time.las.laz");
    LazFile file;
    ChunkSpec spec;
    OneChunk() {
        EXPECT_EQ(lastest::describe_laz(laz, file), LazStatus::ok);
        ChunkTable table;
        EXPECT_EQ(read_chunk_table(file, Stop{}, table), LazStatus::ok);
        spec.offset = table.chunks.at(0).offset;
        spec.bytes = table.chunks.at(0).bytes;
        spec.max_points = 50000;
    }
};

// A chunk whose count is given decodes that many points and must end its stream exactly there;
// every cut of it short of its end is refused, never read past.
TEST(LazPointwise, GivenCountMustEndTheStream) {
    OneChunk c;
    const struct {
        uint64_t bytes, points, max;
        LazStatus want;
    } cases[] = {
        {c.spec.bytes, 1065, 50000, LazStatus::ok},
        {c.spec.bytes, 1064, 50000, LazStatus::stream_end},
        {c.spec.bytes, 1066, 50000, LazStatus::stream_overrun},
        {c.spec.bytes, 1065, 1064, LazStatus::too_many_points},
        {c.spec.bytes, 0, 1065, LazStatus::ok},
        {c.spec.bytes, 0, 1064, LazStatus::stream_end},
        {c.spec.bytes - 1, 1065, 50000, LazStatus::stream_overrun},
        {c.spec.bytes - 1, 0, 50000, LazStatus::stream_end},
        {c.spec.bytes / 2, 0, 50000, LazStatus::stream_end},
        {34 + 4, 0, 50000, LazStatus::stream_end},
        {34 + 3, 0, 50000, LazStatus::chunk_truncated},
        {33, 0, 50000, LazStatus::chunk_truncated},
        {0, 0, 50000, LazStatus::chunk_truncated},
    };
    ChunkDecoder decoder(c.file);
    for (const auto &row : cases) {
        SCOPED_TRACE(std::to_string(row.bytes) + " bytes, " + std::to_string(row.points));
        ChunkSpec spec = c.spec;
        spec.bytes = row.bytes;
        spec.points = row.points;
        spec.max_points = row.max;
        const ChunkResult r = decoder.decode(spec, Stop{});
        EXPECT_EQ(r.status, row.want);
        if (r.status == LazStatus::ok) {
            EXPECT_EQ(r.tally.records, 1065u);
            EXPECT_EQ(r.bytes, c.spec.bytes);
        }
    }
}

// Streamed through a window of a few bytes, a chunk decodes as it does held whole.
TEST(LazPointwise, StreamedChunkDecodesAsHeldWhole) {
    OneChunk c;
    ChunkDecoder whole(c.file);
    const ChunkResult want = whole.decode(c.spec, Stop{});
    ASSERT_EQ(want.status, LazStatus::ok);
    for (std::size_t window : {std::size_t{1}, std::size_t{37}, std::size_t{4096}}) {
        SCOPED_TRACE(window);
        ChunkDecoder small(c.file, window);
        const ChunkResult got = small.decode(c.spec, Stop{});
        ASSERT_EQ(got.status, LazStatus::ok);
        EXPECT_EQ(got.tally.records, want.tally.records);
        EXPECT_EQ(std::memcmp(got.tally.min, want.tally.min, sizeof got.tally.min), 0);
        EXPECT_EQ(std::memcmp(got.tally.max, want.tally.max, sizeof got.tally.max), 0);
    }
}

// A chunk of one point: its raw record, then the four bytes a writer leaves for an empty stream.
TEST(LazPointwise, ChunkOfOnePointIsItsRawRecord) {
    Bytes laz = load("point10.las.laz");
    LazFile file;
    ASSERT_EQ(lastest::describe_laz(laz, file), LazStatus::ok);
    Bytes chunk(20 + 4, 0);
    chunk[0] = 7;     // X
    chunk[4] = 0xF9;  // Y = -7
    chunk[5] = chunk[6] = chunk[7] = 0xFF;
    chunk[8] = 1;              // Z
    chunk[14] = 2 | (3 << 3);  // return 2 of 3
    chunk[20] = 0x01;          // the interval's base moved up by 2^24, then zeros
    std::copy(chunk.begin(), chunk.end(), laz.begin() + 1309);
    ASSERT_EQ(lastest::describe_laz(laz, file), LazStatus::ok);
    ChunkSpec spec;
    spec.offset = 1309;
    spec.bytes = chunk.size();
    spec.max_points = 50000;
    ChunkDecoder decoder(file);
    const ChunkResult r = decoder.decode(spec, Stop{});
    ASSERT_EQ(r.status, LazStatus::ok);
    EXPECT_EQ(r.most, 1u);
    EXPECT_EQ(r.tally.records, 1u);
    EXPECT_EQ(r.tally.by_return[2], 1u);
    EXPECT_EQ(r.tally.min[0], 7);
    EXPECT_EQ(r.tally.max[1], -7);
    EXPECT_EQ(r.tally.min[2], 1);
}

// point10.las.laz with its one chunk as the one stream of compressor 1: no table offset, no
// table, the VLR's compressor 1.
Bytes as_one_stream(const std::string &name) {
    const Bytes b = load(name);
    const uint32_t data = lastest::u32_at(b, 96);
    const uint64_t table = lastest::u64_at(b, data);
    Bytes out(b.begin(), b.begin() + data);
    out.insert(out.end(), b.begin() + data + 8, b.begin() + static_cast<std::ptrdiff_t>(table));
    const char user[] = "laszip encoded";
    const auto vlr = std::search(out.begin(), out.end(), user, user + sizeof user - 1);
    out[static_cast<std::size_t>(vlr - out.begin()) - 2 + 54] = 1;
    return out;
}

// A stream without chunks: its count is told by its bytes, searched up to the header's count
// and one point for every byte read.
TEST(LazOneStream, CountIsBoundedByTheHeaderAndTheBytesRead) {
    const Bytes one = as_one_stream("point10.las.laz");
    LazFile file;
    ASSERT_EQ(lastest::describe_laz(one, file), LazStatus::ok);
    ASSERT_EQ(file.vlr.compressor, 1u);
    for (uint64_t stored : {uint64_t{1065}, uint64_t{0}, uint64_t{5000000000}}) {
        SCOPED_TRACE(stored);
        const Scan got = scan_of(file, stored);
        ASSERT_EQ(got.status, VARNOKE_LAS_OK);
        EXPECT_EQ(got.tally.records, 1065u);
        EXPECT_TRUE(got.found.exact);
    }
    // 100 KB of zeros after the first point: the likeliest symbol again and again, thousands of
    // points a byte, and no end; refused once past the header's count and a point a byte.
    Bytes zeros(1301 + 20 + 100000, 0);
    std::copy(one.begin(), one.begin() + 1301 + 20, zeros.begin());
    ASSERT_EQ(lastest::describe_laz(zeros, file), LazStatus::ok);
    EXPECT_EQ(scan_of(file, 1065).status, VARNOKE_LAS_ERR_LAZ_CHUNK);
    // The same as a sparse file of 300 MB, under the largest 32-bit count: zeros to the end
    // never end a stream, which is refused once that is seen (asked to stop after a hundred
    // looks, every 4,096 points, it is refused long before).
    lastest::SparseFile sparse;
    sparse.size = 300000000;
    sparse.parts.emplace_back(0, Bytes(one.begin(), one.begin() + 1301 + 20));
    ASSERT_EQ(lastest::describe_laz(sparse, file), LazStatus::ok);
    EXPECT_EQ(scan_of(file, 1065).status, VARNOKE_LAS_ERR_LAZ_CHUNK);
    int looks = 0;
    Workers workers;
    workers.stop = [](void *arg) { return ++*static_cast<int *>(arg) > 100 ? 1 : 0; };
    workers.stop_arg = &looks;
    EXPECT_EQ(scan_of(file, 0xFFFFFFFFu, workers).status, VARNOKE_LAS_ERR_LAZ_CHUNK);
    EXPECT_LT(looks, 100);
}

// An item of 65,515 extra bytes (the longest record): a model per byte only as the stream's
// bytes reach it, and refused when they run out.
TEST(LazPointwise, LongestExtraBytesItemCostsItsStreamOnly) {
    Bytes b = load("point10.las.laz");
    const uint32_t data = lastest::u32_at(b, 96);
    const char user[] = "laszip encoded";
    const auto at = static_cast<std::size_t>(
                        std::search(b.begin(), b.end(), user, user + sizeof user - 1) - b.begin()) -
                    2;
    // The VLR's payload grows by an item: type 0 (bytes), 65,515 bytes, version 2.
    const std::size_t items = at + 54 + 32;
    ASSERT_EQ(lastest::u16_at(b, items), 1u);
    Bytes out(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(items + 2 + 6));
    out[items] = 2;
    const unsigned char item[6] = {0, 0, 0xEB, 0xFF, 2, 0};
    out.insert(out.end(), item, item + 6);
    out[at + 20] = static_cast<unsigned char>(out[at + 20] + 6);
    put_u32(out, 96, data + 6);
    out[105] = 0xFF;
    out[106] = 0xFF;
    // The offset, a raw point of 65,535 bytes, 4 bytes of stream; the table of one chunk.
    Bytes rest(8 + 65535 + 4, 0);
    rest[8 + 65535] = 1;
    out.insert(out.end(), rest.begin(), rest.end());
    put_u64(out, data + 6, out.size());
    const unsigned char table[] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), table, table + sizeof table);
    LazFile file;
    ASSERT_EQ(lastest::describe_laz(out, file), LazStatus::ok);
    ChunkSpec spec;
    spec.offset = data + 6 + 8;
    spec.bytes = 65535 + 4;
    spec.max_points = 50000;
    ChunkDecoder decoder(file);
    EXPECT_EQ(decoder.decode(spec, Stop{}).status, LazStatus::ok);
    spec.points = 2;
    EXPECT_EQ(decoder.decode(spec, Stop{}).status, LazStatus::stream_overrun);
}

// Asked between chunks and every few thousand points within one: a stop ends the scan.
TEST(LazScan, StopIsSeenWithinAChunk) {
    struct Asked {
        int calls = 0;
        int stop_at = 0;
    };
    for (int stop_at : {1, 2, 5}) {
        SCOPED_TRACE(stop_at);
        Asked asked{0, stop_at};
        Workers workers;
        workers.threads = 1;
        workers.stop = [](void *arg) {
            auto *a = static_cast<Asked *>(arg);
            return ++a->calls >= a->stop_at ? 1 : 0;
        };
        workers.stop_arg = &asked;
        const Bytes laz = load("autzen_trim.laz");
        LazFile file;
        ASSERT_EQ(lastest::describe_laz(laz, file), LazStatus::ok);
        const Scan got = scan_of(file, 110000, workers);
        EXPECT_EQ(got.status, VARNOKE_LAS_ERR_STOPPED);
        EXPECT_EQ(asked.calls, stop_at);
        EXPECT_EQ(got.tally.records, 0u);
    }
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

// The writer's ending leaves, after a long interval (above 2^25), 1 to 2^24 in the window; after
// a short one, 2^23 - 0xFFFF to 2^23; and the stream's bytes used exactly.
TEST(LazArithmetic, StreamEndsWhereTheWritersEndingLeavesIt) {
    const auto bytes_of = [](uint32_t v) {
        return Bytes{static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                     static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    };
    // A fresh start: the interval is 0xFFFFFFFF, the window the four bytes.
    for (const auto &[value, ends] :
         {std::pair{0x00000000u, false}, std::pair{0x00000001u, true}, std::pair{0x01000000u, true},
          std::pair{0x01000001u, false}}) {
        SCOPED_TRACE(value);
        const Bytes b = bytes_of(value);
        ArithmeticDecoder d;
        ASSERT_TRUE(d.start(b.data(), b.data() + 4));
        EXPECT_EQ(ends_exactly(d, 4), ends);
        EXPECT_FALSE(ends_exactly(d, 5));
        EXPECT_FALSE(ends_exactly(d, 3));
    }
    // Seven raw bits narrow the interval to 0x01FFFFFF (at most 2^25: short) without a byte; a
    // window below it keeps its value.
    for (const auto &[value, ends] :
         {std::pair{0x007F0000u, false}, std::pair{0x007F0001u, true}, std::pair{0x00800000u, true},
          std::pair{0x00800001u, false}}) {
        SCOPED_TRACE(value);
        const Bytes b = bytes_of(value);
        ArithmeticDecoder d;
        ASSERT_TRUE(d.start(b.data(), b.data() + 4));
        EXPECT_EQ(d.read_bits(7), 0u);
        ASSERT_EQ(d.length(), 0x01FFFFFFu);
        EXPECT_EQ(ends_exactly(d, 4), ends);
    }
}

}  // namespace
