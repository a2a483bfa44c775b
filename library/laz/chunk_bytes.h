// The bytes of one chunk as its decoder reaches them: the first ones in memory, and any stretch
// of them as a stream. A chunk that fits in the window is read whole, once; a longer one (or
// a chunk whose size is not known, walked from a cut file) is streamed through windows of the
// same size, so that no chunk costs more memory than the window whatever size it claims.
#ifndef VARNOKE_LAZ_CHUNK_BYTES_H
#define VARNOKE_LAZ_CHUNK_BYTES_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "arithmetic_decoder.h"
#include "byte_feed.h"

namespace varnoke::laz {

// The memory one thread reads chunks into, kept from chunk to chunk.
struct ChunkWindows {
    explicit ChunkWindows(std::size_t bytes) : capacity(bytes) {}
    std::size_t capacity;               // of each window
    std::vector<unsigned char> main;    // the chunk, or its start and its first stream
    std::vector<unsigned char> second;  // a second stream of the chunk, where streamed
};

class ChunkBytes {
public:
    // The chunk at `at` of `size` bytes (where `exact`), or that ends at most `size` bytes on.
    ChunkBytes(const ReadAt &read, uint64_t at, uint64_t size, bool exact, ChunkWindows &windows);

    uint64_t size() const { return size_; }
    bool exact() const { return exact_; }

    // The first `n` bytes in memory, valid until the next call; null where the chunk or the
    // file holds fewer, or a read failed.
    const unsigned char *head(std::size_t n);

    // Starts `d` on the bytes [from, from + n) of the chunk, fed from the file where they are
    // not all at hand; `second` takes the other window, for a stream decoded beside the first.
    // False where the stretch holds fewer than the four bytes a stream starts with.
    bool stream(ArithmeticDecoder &d, uint64_t from, uint64_t n, bool second);

    // Whether the bytes [from, to) of the chunk are all zeros, read in pieces; false where a
    // read fails.
    bool zeros(uint64_t from, uint64_t to);

    bool read_failed() const { return failed_ || feeds_[0].failed() || feeds_[1].failed(); }

private:
    // Reads bytes [0, n) of the chunk into the main window.
    bool load(std::size_t n);

    const ReadAt &read_;
    uint64_t at_;
    uint64_t size_;
    bool exact_;
    ChunkWindows &windows_;
    std::size_t loaded_ = 0;       // bytes [0, loaded_) of the chunk are in the main window
    bool streaming_main_ = false;  // the main window now serves a stream
    bool failed_ = false;
    ByteFeed feeds_[2];  // of the main and the second window
};

}  // namespace varnoke::laz

#endif
