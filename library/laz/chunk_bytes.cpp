#include "chunk_bytes.h"

#include <algorithm>

namespace varnoke::laz {

namespace {

// Bytes read ahead of what a walked chunk's start needs: enough for the head of any real chunk
// and the whole of a small one, little for the chunks of a cut COPC file read one by one.
constexpr std::size_t kWalkProbe = std::size_t{16} << 10;

}  // namespace

ChunkBytes::ChunkBytes(const ReadAt &read, uint64_t at, uint64_t size, bool exact,
                       ChunkWindows &windows)
    : read_(read), at_(at), size_(size), exact_(exact), windows_(windows) {}

bool ChunkBytes::load(std::size_t n) {
    std::vector<unsigned char> &w = windows_.main;
    if (w.size() < n) w.resize(n);
    std::size_t got = 0;
    while (got < n) {
        const int64_t r = read_(at_ + got, w.data() + got, n - got);
        if (r <= 0) {
            failed_ = true;
            loaded_ = 0;
            return false;
        }
        got += static_cast<std::size_t>(r);
    }
    loaded_ = n;
    streaming_main_ = false;
    return true;
}

const unsigned char *ChunkBytes::head(std::size_t n) {
    if (failed_ || n > size_) return nullptr;
    if (streaming_main_ || loaded_ < n) {
        // A chunk of known size is read whole when it fits; otherwise as much as is asked for,
        // and when walking a little more.
        const uint64_t whole = exact_ && size_ <= windows_.capacity ? size_ : 0;
        const uint64_t probe = exact_ ? n : std::max<uint64_t>(n, kWalkProbe);
        const auto want =
            static_cast<std::size_t>(std::min<uint64_t>(size_, std::max<uint64_t>(whole, probe)));
        if (!load(want)) return nullptr;
    }
    return windows_.main.data();
}

bool ChunkBytes::zeros(uint64_t from, uint64_t to) {
    to = std::min(to, size_);
    std::vector<unsigned char> piece(
        static_cast<std::size_t>(std::min<uint64_t>(kWalkProbe, from < to ? to - from : 0)));
    for (uint64_t at = from; at < to;) {
        const auto n = static_cast<std::size_t>(std::min<uint64_t>(piece.size(), to - at));
        if (read_(at_ + at, piece.data(), n) != static_cast<int64_t>(n)) return false;
        for (std::size_t i = 0; i < n; ++i) {
            if (piece[i] != 0) return false;
        }
        at += n;
    }
    return true;
}

bool ChunkBytes::stream(ArithmeticDecoder &d, uint64_t from, uint64_t n, bool second) {
    if (failed_ || from > size_ || n > size_ - from) {
        d.start(nullptr, nullptr);
        return false;
    }
    if (!streaming_main_ && from + n <= loaded_) {
        const unsigned char *base = windows_.main.data() + from;
        return d.start(base, base + n);
    }
    if (!second && !streaming_main_ && from + n <= windows_.capacity) {
        // Small enough to hold: read it once, beside what is already there.
        if (load(static_cast<std::size_t>(from + n))) {
            const unsigned char *base = windows_.main.data() + from;
            return d.start(base, base + n);
        }
        d.start(nullptr, nullptr);
        return false;
    }
    std::vector<unsigned char> &w = second ? windows_.second : windows_.main;
    const auto capacity = static_cast<std::size_t>(std::min<uint64_t>(windows_.capacity, n));
    if (w.size() < capacity) w.resize(capacity);
    if (!second) {
        streaming_main_ = true;
        loaded_ = 0;
    }
    ByteFeed &feed = feeds_[second ? 1 : 0];
    feed.start(&read_, at_ + from, at_ + from + n, w.data(), capacity);
    const std::span<const unsigned char> first = feed.more(nullptr, 0);
    return d.start(first.data(), first.data() + first.size(), &feed);
}

}  // namespace varnoke::laz
