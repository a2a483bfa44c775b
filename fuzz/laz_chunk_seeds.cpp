// Cuts the seeds of the LAZ chunk fuzz target from real LAZ files: for each file named, each of
// its chunks (up to 16, of at most 64 KiB) as an input of laz_chunk_input.h, told what a scan
// would tell its decoder, streamed through a small window. laz_chunk_seeds OUT_DIR FILE.laz...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chunk_table.h"
#include "laz_chunk_input.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t le(const Bytes &b, std::size_t at, int n) {
    return lazfuzz::le(b.data() + at, n);
}

int seeds_of(const std::filesystem::path &out, const std::filesystem::path &name) {
    std::ifstream in(name, std::ios::binary);
    const Bytes b((std::istreambuf_iterator<char>(in)), {});
    if (b.size() < 227) return 0;
    varnoke::laz::LazFile file;
    file.file_size = b.size();
    file.data_start = le(b, 96, 4);
    file.data_end = b.size();
    if (b[25] >= 4 && le(b, 243, 4) != 0) file.data_end = le(b, 235, 4);
    file.point_format = b[104];
    file.record_length = static_cast<uint16_t>(le(b, 105, 2));
    file.read = [&b](uint64_t pos, void *to, std::size_t n) -> int64_t {
        if (pos > b.size()) return -1;
        const std::size_t got = std::min<std::size_t>(n, b.size() - pos);
        std::copy(b.begin() + static_cast<std::ptrdiff_t>(pos),
                  b.begin() + static_cast<std::ptrdiff_t>(pos + got), static_cast<uint8_t *>(to));
        return static_cast<int64_t>(got);
    };
    std::span<const unsigned char> payload;
    if (varnoke::laz::find_laszip_vlr(
            std::span(b.data(), std::min<std::size_t>(b.size(), file.data_start)),
            static_cast<uint16_t>(le(b, 94, 2)), le(b, 100, 4),
            payload) != varnoke::laz::LazStatus::ok ||
        varnoke::laz::parse_laszip_vlr(payload, file.point_format, file.record_length, file.vlr) !=
            varnoke::laz::LazStatus::ok) {
        return 0;
    }
    varnoke::laz::ChunkTable table;
    if (file.vlr.compressor == 1 ||
        varnoke::laz::read_chunk_table(file, varnoke::laz::Stop{}, table) !=
            varnoke::laz::LazStatus::ok) {
        return 0;
    }
    int written = 0;
    const bool variable = file.vlr.chunk_size == varnoke::laz::kVariableChunkSize;
    for (std::size_t i = 0; i < table.chunks.size() && written < 16; ++i) {
        const varnoke::laz::Chunk &c = table.chunks[i];
        if (c.bytes > (64u << 10)) continue;
        lazfuzz::ChunkInput seed;
        seed.compressor = file.vlr.compressor;
        seed.items = file.vlr.items;
        const bool last = i + 1 == table.chunks.size();
        seed.points = variable                           ? c.points
                      : file.vlr.compressor == 3 || last ? 0
                                                         : file.vlr.chunk_size;
        seed.max_points = variable ? c.points : file.vlr.chunk_size;
        // Streamed through windows of a few hundred bytes, of more than one size.
        seed.window = static_cast<uint16_t>(97 + (i * 131) % 400);
        seed.chunk = b.data() + c.offset;
        seed.chunk_bytes = c.bytes;
        const Bytes bytes = lazfuzz::make_input(seed);
        const std::filesystem::path to =
            out / (name.stem().string() + "-" + std::to_string(i) + ".chunk");
        std::ofstream(to, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        ++written;
    }
    return written;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: laz_chunk_seeds OUT_DIR FILE.laz...\n");
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    int seeds = 0;
    for (int i = 2; i < argc; ++i) seeds += seeds_of(argv[1], argv[i]);
    std::printf("laz_chunk_seeds: %d seeds in %s\n", seeds, argv[1]);
    return seeds > 0 ? 0 : 1;
}
