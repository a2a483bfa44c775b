#include "byte_feed.h"

#include <algorithm>
#include <cstring>

namespace varnoke::laz {

std::span<const unsigned char> ByteFeed::more(const unsigned char *from, std::size_t keep) {
    if (keep != 0 && from != window_) std::memmove(window_, from, keep);
    const uint64_t wanted = std::min<uint64_t>(capacity_ - keep, end_ - next_);
    if (wanted == 0 || failed_) return {window_, keep};
    const auto n = static_cast<std::size_t>(wanted);
    std::size_t got = 0;
    while (got < n) {
        const int64_t r = (*read_)(next_ + got, window_ + keep + got, n - got);
        if (r <= 0) {
            // The stretch lay inside the file when it was judged: a short read is a file that
            // changed, or an error, either way no byte to decode.
            failed_ = true;
            return {window_, keep};
        }
        got += static_cast<std::size_t>(r);
    }
    next_ += n;
    return {window_, keep + n};
}

}  // namespace varnoke::laz
