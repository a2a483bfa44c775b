#include "page_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "mapped_buffer.h"

namespace bench {

uint64_t read_through(const std::string &path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    MappedBuffer buffer(std::size_t{1} << 20);
    uint64_t total = 0;
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
        }
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
    }
    close(fd);
    return total;
}

}  // namespace bench
