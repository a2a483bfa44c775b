// The file is cut into blocks of whole records (512 KiB at most). The call's threads (two unless
// the caller says otherwise, or those of the caller's pool) each take the next block not yet
// taken, read it with a positioned read into a buffer of their own and tally it while it is
// still in their cache; the tallies are merged at the end. Reading a file in the page cache is a
// copy that two processors share, so the scan keeps pace with a plain sequential read. A file of
// one block is scanned on the calling thread alone, with the same result.
//
// A file that is not in the page cache comes from the disk as fast as the system reads ahead of
// the threads, whose reads reach it as interleaved streams on one open file. The file is
// declared sequential first: on Linux that doubles the read-ahead window of this open file, so
// that more of it is on its way. Asking for each block ahead explicitly (POSIX_FADV_WILLNEED)
// was measured too and dropped: it cut the disk's requests into pieces of one block and slowed
// both cold and page-cached runs.
#include "point_scan.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "file_io.h"

namespace varnoke {

namespace {

// Page-aligned: the system copies out of the page cache markedly faster into such a buffer.
constexpr std::align_val_t kPage{4096};
struct PageDelete {
    void operator()(unsigned char *p) const { ::operator delete[](p, kPage); }
};
using ScanBuffer = std::unique_ptr<unsigned char[], PageDelete>;

// Each thread's buffer: a block, or one record where a record is longer.
std::size_t part_bytes(std::size_t record_length) {
    const std::size_t records = std::max<std::size_t>(kScanBlockBytes / record_length, 1);
    return records * record_length;
}

ScanBuffer allocate_buffer(std::size_t bytes) {
    return ScanBuffer(static_cast<unsigned char *>(::operator new[](bytes, kPage, std::nothrow)));
}

class BlockScan {
public:
    BlockScan(std::FILE *f, const ScanRange &range, std::size_t capacity, const Workers &workers)
        : file_(f),
          workers_(workers),
          start_(range.start),
          end_of_data_(std::max(range.start, range.end)),
          record_length_(range.record_length),
          return_bits_(range.return_bits),
          capacity_(capacity) {}

    // Takes and tallies blocks into `tally` until the end of the file or a failure.
    void run(PointTally &tally) {
        const ScanBuffer buffer = allocate_buffer(capacity_);
        if (!buffer) {
            fail(VARNOKE_LAS_ERR_NO_MEMORY);
            return;
        }
        while (status_.load(std::memory_order_relaxed) == VARNOKE_LAS_OK) {
            const uint64_t block = next_.fetch_add(1, std::memory_order_relaxed);
            if (block >= end_.load(std::memory_order_relaxed)) return;
            // A block takes a fraction of a millisecond: a stop asked for is seen at once.
            if (workers_.stopped()) {
                fail(VARNOKE_LAS_ERR_STOPPED);
                return;
            }
            const uint64_t bytes = read_block(block, buffer.get());
            if (bytes == kFailed) {
                fail(VARNOKE_LAS_ERR_READ);
                return;
            }
            tally_records(buffer.get(), bytes / record_length_, record_length_, return_bits_,
                          tally);
            if (bytes < capacity_) end_before(block + 1);
        }
    }

    int status() const { return status_.load(std::memory_order_relaxed); }

private:
    static constexpr uint64_t kFailed = UINT64_MAX;

    void fail(int status) {
        int ok = VARNOKE_LAS_OK;
        status_.compare_exchange_strong(ok, status, std::memory_order_relaxed);
    }

    // Reads block `block` whole, or up to the end of the data or of the file; kFailed on a read
    // error.
    uint64_t read_block(uint64_t block, unsigned char *to) const {
        const uint64_t at = start_ + block * capacity_;
        if (at >= end_of_data_) return 0;
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<uint64_t>(capacity_, end_of_data_ - at));
        std::size_t have = 0;
        while (have < wanted) {
            const int64_t got = read_at(file_, at + have, to + have, wanted - have);
            if (got < 0) return kFailed;
            if (got == 0) break;
            have += static_cast<std::size_t>(got);
        }
        return have;
    }

    // No block from `block` on holds a byte of the file.
    void end_before(uint64_t block) {
        uint64_t end = end_.load(std::memory_order_relaxed);
        while (block < end && !end_.compare_exchange_weak(end, block, std::memory_order_relaxed)) {
        }
    }

    std::FILE *const file_;
    const Workers &workers_;
    const uint64_t start_;
    const uint64_t end_of_data_;
    const std::size_t record_length_;
    const unsigned return_bits_;
    const std::size_t capacity_;  // whole records only
    std::atomic<uint64_t> next_{0};
    std::atomic<uint64_t> end_{UINT64_MAX};
    std::atomic<int> status_{VARNOKE_LAS_OK};
};

struct Shares {
    BlockScan *scan;
    PointTally *tallies;
};

void scan_share(void *arg, unsigned k) {
    const Shares &shares = *static_cast<const Shares *>(arg);
    shares.scan->run(shares.tallies[k]);
}

}  // namespace

int scan_points(std::FILE *f, const ScanRange &range, const Workers &workers, PointTally &tally) {
    const std::size_t part = part_bytes(range.record_length);
    const uint64_t data = range.end > range.start ? range.end - range.start : 0;
    advise_sequential(f, range.start);
    // Point data shorter than a block is read in one go by the calling thread, into a buffer no
    // larger than the data: many small files then cost no large allocation each.
    if (data < part) {
        BlockScan scan(f, range, static_cast<std::size_t>(data) + 1, workers);
        scan.run(tally);
        return scan.status();
    }
    const uint64_t blocks = (data + part - 1) / part;
    const auto shares =
        static_cast<unsigned>(std::min<uint64_t>(std::max(workers.threads, 1u), blocks));
    std::vector<PointTally> tallies;
    try {
        tallies.resize(shares);
    } catch (const std::bad_alloc &) {
        return VARNOKE_LAS_ERR_NO_MEMORY;
    }
    BlockScan scan(f, range, part, workers);
    Shares arg{&scan, tallies.data()};
    run_tasks(workers, shares, scan_share, &arg);
    for (const PointTally &share : tallies) merge(tally, share);
    return scan.status();
}

}  // namespace varnoke
