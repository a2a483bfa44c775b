// The input of the LAZ chunk fuzz target: what the chunk decoder is told of a chunk, then the
// chunk's bytes. Shared by the target and the program that cuts its seeds from real files.
//   byte 0        compressor: 3 layered, anything else pointwise
//   byte 1        items n (at most 4 are read)
//   n x 6 bytes   type, size, version (16 bits each, little-endian)
//   4 bytes       the chunk's count where given (0: told by its bytes)
//   4 bytes       the most it may hold (0: 50,000)
//   2 bytes       the window it is streamed through (0: the decoder's own)
//   the rest      the chunk
#ifndef VARNOKE_FUZZ_LAZ_CHUNK_INPUT_H
#define VARNOKE_FUZZ_LAZ_CHUNK_INPUT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "laszip_vlr.h"

namespace lazfuzz {

struct ChunkInput {
    uint16_t compressor = 2;
    std::vector<varnoke::laz::LazItem> items;
    uint32_t points = 0;
    uint32_t max_points = 0;
    uint16_t window = 0;
    const uint8_t *chunk = nullptr;
    std::size_t chunk_bytes = 0;
};

inline uint32_t le(const uint8_t *p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// False where the input is shorter than its description.
inline bool parse_input(const uint8_t *data, std::size_t size, ChunkInput &in) {
    if (size < 2) return false;
    in.compressor = data[0] == 3 ? 3 : 2;
    const std::size_t n = data[1] > 4 ? 4 : data[1];
    std::size_t at = 2;
    if (size < at + 6 * n + 10) return false;
    in.items.clear();
    for (std::size_t i = 0; i < n; ++i, at += 6) {
        in.items.push_back({static_cast<uint16_t>(le(data + at, 2)),
                            static_cast<uint16_t>(le(data + at + 2, 2)),
                            static_cast<uint16_t>(le(data + at + 4, 2))});
    }
    in.points = le(data + at, 4);
    in.max_points = le(data + at + 4, 4);
    in.window = static_cast<uint16_t>(le(data + at + 8, 2));
    at += 10;
    in.chunk = data + at;
    in.chunk_bytes = size - at;
    return true;
}

inline void put(std::vector<uint8_t> &out, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> make_input(const ChunkInput &in) {
    std::vector<uint8_t> out;
    out.push_back(static_cast<uint8_t>(in.compressor));
    out.push_back(static_cast<uint8_t>(in.items.size()));
    for (const varnoke::laz::LazItem &item : in.items) {
        put(out, item.type, 2);
        put(out, item.size, 2);
        put(out, item.version, 2);
    }
    put(out, in.points, 4);
    put(out, in.max_points, 4);
    put(out, in.window, 2);
    out.insert(out.end(), in.chunk, in.chunk + in.chunk_bytes);
    return out;
}

}  // namespace lazfuzz

#endif
