// A zeroed block of memory mapped for one job and unmapped as soon as it is done, so that the
// benchmark's resident memory falls back before it starts the programs it measures.
#ifndef VARNOKE_BENCH_MAPPED_BUFFER_H
#define VARNOKE_BENCH_MAPPED_BUFFER_H

#include <sys/mman.h>

#include <cstddef>
#include <new>

namespace bench {

class MappedBuffer {
public:
    explicit MappedBuffer(std::size_t size) : size_(size) {
        void *p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<unsigned char *>(p);
    }
    ~MappedBuffer() { munmap(data_, size_); }
    MappedBuffer(const MappedBuffer &) = delete;
    MappedBuffer &operator=(const MappedBuffer &) = delete;

    unsigned char *data() { return data_; }
    std::size_t size() const { return size_; }

private:
    unsigned char *data_ = nullptr;
    std::size_t size_;
};

}  // namespace bench

#endif
