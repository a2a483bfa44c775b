// Fuzzes the LAZ chunk decoders in memory: each input names the record's items and what is known
// of one chunk (see laz_chunk_input.h), and the chunk is decoded twice, by a decoder kept from
// input to input (as a thread keeps it from chunk to chunk) reading it whole, and by a fresh one
// streaming it through a window of the input's size. Both must agree to the bit, never read
// outside the chunk, and where they accept it give what the chunk may hold: a count within its
// bounds, the given count where there is one, and every byte of the chunk used.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "chunk_decoder.h"
#include "laz_chunk_input.h"

namespace {

[[noreturn]] void broken(const char *what) {
    std::fprintf(stderr, "\ninvariant broken: %s\n", what);
    std::abort();
}

// Keeps a slow input from holding the run: zero streams yield thousands of points a byte.
constexpr uint32_t kMostPoints = 4096;

bool same(const varnoke::PointTally &a, const varnoke::PointTally &b) {
    return a.records == b.records &&
           std::memcmp(a.by_return, b.by_return, sizeof a.by_return) == 0 &&
           std::memcmp(a.min, b.min, sizeof a.min) == 0 &&
           std::memcmp(a.max, b.max, sizeof a.max) == 0;
}

varnoke::laz::LazFile file;
const uint8_t *chunk = nullptr;
std::size_t chunk_bytes = 0;

int64_t read_chunk(uint64_t pos, void *to, std::size_t n) {
    if (pos > chunk_bytes || n > chunk_bytes - pos) broken("a read outside the chunk");
    std::memcpy(to, chunk + pos, n);
    return static_cast<int64_t>(n);
}

int ask_stop(void *arg) {
    ++*static_cast<uint64_t *>(arg);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
    lazfuzz::ChunkInput in;
    if (!lazfuzz::parse_input(data, size, in)) return 0;
    chunk = in.chunk;
    chunk_bytes = in.chunk_bytes;
    file.read = read_chunk;
    file.file_size = chunk_bytes;
    file.data_start = 0;
    file.data_end = chunk_bytes;
    file.vlr.compressor = in.compressor;
    file.vlr.chunk_size = 50000;
    file.vlr.items = in.items;
    uint32_t record = 0;
    for (const varnoke::laz::LazItem &item : in.items) record += item.size;
    if (record > 0xFFFF) return 0;
    file.record_length = static_cast<uint16_t>(record);

    varnoke::laz::ChunkSpec spec;
    spec.bytes = chunk_bytes;
    spec.max_points = in.max_points == 0 ? 50000 : std::min(in.max_points, kMostPoints);
    spec.points = std::min(in.points, kMostPoints + 1);
    spec.wanted = spec.points == 0 ? spec.max_points / 2 : 0;
    uint64_t asked = 0;
    const varnoke::laz::Stop stop{ask_stop, &asked};

    static varnoke::laz::ChunkDecoder kept(file);
    const varnoke::laz::ChunkResult whole = kept.decode(spec, stop);
    varnoke::laz::ChunkDecoder fresh(file, in.window == 0 ? varnoke::laz::kChunkWindow : in.window);
    const varnoke::laz::ChunkResult streamed = fresh.decode(spec, stop);

    if (whole.status != streamed.status) broken("streamed, the chunk gets another status");
    if (whole.status != varnoke::laz::LazStatus::ok) {
        if (whole.tally.records != 0 || streamed.tally.records != 0) {
            broken("a refused chunk counted points");
        }
        return 0;
    }
    if (!same(whole.tally, streamed.tally) || whole.bytes != streamed.bytes ||
        whole.most != streamed.most || whole.has_wanted != streamed.has_wanted ||
        (whole.has_wanted && !same(whole.at_wanted, streamed.at_wanted))) {
        broken("streamed, the chunk gives other values");
    }
    const uint64_t n = whole.tally.records;
    if (n == 0 || n > spec.max_points || whole.most < n || whole.most > spec.max_points) {
        broken("a count outside the chunk's bounds");
    }
    if (spec.points != 0 && (n != spec.points || whole.most != n)) broken("not the given count");
    if (whole.bytes != chunk_bytes) broken("an accepted chunk whose bytes are not all used");
    if (whole.has_wanted &&
        (whole.at_wanted.records != spec.wanted || spec.wanted < n || spec.wanted > whole.most)) {
        broken("the wanted count's tally is not of that count");
    }
    return 0;
}
