// The layered chunk decoder on real LAZ files, one thread: points per second of the decode of
// X, Y, return number and Z alone, with the bytes it decoded and the bytes it stepped over.
// Usage: layered_bench FILE.laz... [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "layered_chunk.h"

namespace {

using varnoke::laz::LayeredBytes;
using varnoke::laz::LayeredItem;
using varnoke::laz::LayeredStatus;
using Bytes = std::vector<unsigned char>;

template <class T> T at(const Bytes &b, std::size_t offset) {
    T v{};
    if (offset + sizeof v <= b.size()) std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

struct Chunk {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct File {
    Bytes bytes;
    std::vector<LayeredItem> items;
    uint32_t bound = 0;
    std::vector<Chunk> chunks;
    uint64_t points = 0;
    LayeredBytes split;
};

// The chunks follow one another from the chunk table's offset to the table itself; each
// one's size is what the decoder took and stepped over.
bool open_file(const std::string &name, File &f) {
    std::ifstream in(name, std::ios::binary);
    f.bytes.assign(std::istreambuf_iterator<char>(in), {});
    const Bytes &b = f.bytes;
    std::size_t p = at<uint16_t>(b, 94);
    const auto data = at<uint32_t>(b, 96);
    const auto vlrs = at<uint32_t>(b, 100);
    for (uint32_t v = 0; v < vlrs && p + 54 <= b.size(); ++v) {
        const auto length = at<uint16_t>(b, p + 20);
        if (at<uint16_t>(b, p + 18) == 22204) {
            const std::size_t d = p + 54;
            f.bound = at<uint32_t>(b, d + 12);
            if (f.bound == 0xFFFFFFFFu) f.bound = static_cast<uint32_t>(at<uint64_t>(b, 247));
            for (std::size_t i = 0; i < at<uint16_t>(b, d + 32); ++i) {
                f.items.push_back({at<uint16_t>(b, d + 34 + 6 * i), at<uint16_t>(b, d + 36 + 6 * i),
                                   at<uint16_t>(b, d + 38 + 6 * i)});
            }
        }
        p += 54 + std::size_t{length};
    }
    const auto table = static_cast<std::size_t>(at<int64_t>(b, data));
    if (table > b.size()) return false;
    for (std::size_t c = data + std::size_t{8}; c < table;) {
        varnoke::PointTally t;
        LayeredBytes s;
        const std::span<const unsigned char> rest(b.data() + c, table - c);
        if (decode_layered_chunk(rest, f.items, f.bound, t, &s) != LayeredStatus::ok) return false;
        f.chunks.push_back({c, c + s.decoded + s.skipped});
        f.points += t.records;
        f.split.decoded += s.decoded;
        f.split.skipped += s.skipped;
        c += s.decoded + s.skipped;
    }
    return true;
}

void decode_file(benchmark::State &state, const File *f) {
    varnoke::laz::LayeredChunkDecoder decoder;
    for (auto _ : state) {
        varnoke::PointTally t;
        for (const Chunk &c : f->chunks) {
            const std::span<const unsigned char> chunk(f->bytes.data() + c.begin, c.end - c.begin);
            benchmark::DoNotOptimize(decoder.decode(chunk, f->items, f->bound, t));
        }
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f->points));
    state.counters["points"] = static_cast<double>(f->points);
    state.counters["bytes_decoded"] = static_cast<double>(f->split.decoded);
    state.counters["bytes_skipped"] = static_cast<double>(f->split.skipped);
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<File> files(static_cast<std::size_t>(argc > 1 ? argc - 1 : 0));
    for (int i = 1; i < argc; ++i) {
        File &f = files[static_cast<std::size_t>(i - 1)];
        if (!open_file(argv[i], f)) {
            std::fprintf(stderr, "layered_bench: %s is not a file of layered chunks\n", argv[i]);
            return 1;
        }
        const char *slash = std::strrchr(argv[i], '/');
        const std::string name = slash != nullptr ? slash + 1 : argv[i];
        benchmark::RegisterBenchmark(("layered/" + name).c_str(), decode_file, &f);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
