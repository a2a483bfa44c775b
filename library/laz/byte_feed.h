// A stretch of a file read in pieces through a window of fixed size, so that a stream of any
// length is decoded in bounded memory.
#ifndef VARNOKE_LAZ_BYTE_FEED_H
#define VARNOKE_LAZ_BYTE_FEED_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace varnoke::laz {

// A positioned read: bytes read (short only at the end of the file), or -1 on an error.
using ReadAt = std::function<int64_t(uint64_t pos, void *to, std::size_t n)>;

class ByteFeed {
public:
    // The bytes [at, end) of the file, read through `read` into `window` (`capacity` bytes).
    void start(const ReadAt *read, uint64_t at, uint64_t end, unsigned char *window,
               std::size_t capacity) {
        read_ = read;
        next_ = at;
        end_ = end;
        window_ = window;
        capacity_ = capacity;
        failed_ = false;
    }

    // The window's next bytes: the `keep` unread bytes at `from` moved to its front, then as many
    // of the stretch's as fit. Only `keep` bytes once the stretch is used up or a read failed.
    std::span<const unsigned char> more(const unsigned char *from, std::size_t keep);

    bool failed() const { return failed_; }

private:
    const ReadAt *read_ = nullptr;
    uint64_t next_ = 0;  // the next byte of the file to read
    uint64_t end_ = 0;
    unsigned char *window_ = nullptr;
    std::size_t capacity_ = 0;
    bool failed_ = false;
};

}  // namespace varnoke::laz

#endif
