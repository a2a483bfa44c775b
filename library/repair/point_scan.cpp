// The file is cut into blocks of whole records (512 KiB at most). Two threads, the calling one
// and one more, each take the next block not yet taken, read it with a positioned read into a
// buffer of their own and tally it while it is still in their cache; the two tallies are merged
// at the end. Reading a file in the page cache is a copy that two processors share, so the scan
// keeps pace with a plain sequential read. A file of one block, or a system that will not start
// the second thread, is scanned on the calling thread alone, with the same result.
//
// A file that is not in the page cache comes from the disk as fast as the system reads ahead of
// the two threads, whose reads reach it as two interleaved streams on one open file. The file is
// declared sequential first: on Linux that doubles the read-ahead window of this open file, so
// that more of it is on its way. Asking for each block ahead explicitly (POSIX_FADV_WILLNEED)
// was measured too and dropped: it cut the disk's requests into pieces of one block and slowed
// both cold and page-cached runs.
#include "point_scan.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "file_io.h"

namespace varnoke {

namespace {

// The calling thread and kThreads - 1 more, each with a block of the buffer of its own.
constexpr std::size_t kThreads = 2;

// Page-aligned: the system copies out of the page cache markedly faster into such a buffer.
constexpr std::align_val_t kPage{4096};
struct PageDelete {
    void operator()(unsigned char *p) const { ::operator delete[](p, kPage); }
};
using ScanBuffer = std::unique_ptr<unsigned char[], PageDelete>;

// Each thread's part of the buffer: a block, or one record where a record is longer.
std::size_t part_bytes(std::size_t record_length) {
    const std::size_t records = std::max<std::size_t>(kScanBlockBytes / record_length, 1);
    return records * record_length;
}

ScanBuffer allocate_buffer(std::size_t bytes) {
    return ScanBuffer(static_cast<unsigned char *>(::operator new[](bytes, kPage, std::nothrow)));
}

class BlockScan {
public:
    BlockScan(std::FILE *f, const ScanRange &range)
        : file_(f),
          start_(range.start),
          end_of_data_(std::max(range.start, range.end)),
          record_length_(range.record_length),
          return_bits_(range.return_bits),
          capacity_(part_bytes(range.record_length)) {}

    // Takes and tallies blocks until the end of the file, a read error, or `most` blocks.
    void run(unsigned char *buffer, PointTally &tally, uint64_t most = UINT64_MAX) {
        for (uint64_t taken = 0; taken < most && !failed_.load(std::memory_order_relaxed);
             ++taken) {
            const uint64_t block = next_.fetch_add(1, std::memory_order_relaxed);
            if (block >= end_.load(std::memory_order_relaxed)) return;
            const uint64_t bytes = read_block(block, buffer);
            if (bytes == kFailed) {
                failed_.store(true, std::memory_order_relaxed);
                return;
            }
            tally_records(buffer, bytes / record_length_, record_length_, return_bits_, tally);
            if (bytes < capacity_) end_before(block + 1);
        }
    }

    bool finished() const {
        return failed_.load(std::memory_order_relaxed) ||
               next_.load(std::memory_order_relaxed) >= end_.load(std::memory_order_relaxed);
    }
    bool failed() const { return failed_.load(std::memory_order_relaxed); }

private:
    static constexpr uint64_t kFailed = UINT64_MAX;

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
    const uint64_t start_;
    const uint64_t end_of_data_;
    const std::size_t record_length_;
    const unsigned return_bits_;
    const std::size_t capacity_;  // whole records only
    std::atomic<uint64_t> next_{0};
    std::atomic<uint64_t> end_{UINT64_MAX};
    std::atomic<bool> failed_{false};
};

}  // namespace

ScanStatus scan_points(std::FILE *f, const ScanRange &range, PointTally &tally) {
    const std::size_t part = part_bytes(range.record_length);
    // Point data shorter than a block is read in one go by the calling thread, into a buffer no
    // larger than the data: many small files then cost no large allocation each.
    const uint64_t data = range.end > range.start ? range.end - range.start : 0;
    const bool one_block = data < part;
    const std::size_t page = static_cast<std::size_t>(kPage);
    const std::size_t bytes = one_block ? (static_cast<std::size_t>(data) / page + 1) * page
                                        : kThreads * part;
    const ScanBuffer buffer = allocate_buffer(bytes);
    if (!buffer) return ScanStatus::kNoMemory;
    advise_sequential(f, range.start);
    BlockScan scan(f, range);
    const auto status = [&scan] {
        return scan.failed() ? ScanStatus::kReadError : ScanStatus::kDone;
    };
    scan.run(buffer.get(), tally, 1);
    if (one_block || scan.finished()) return status();

    std::array<PointTally, kThreads - 1> tallies;
    std::array<std::thread, kThreads - 1> helpers;
    for (std::size_t k = 0; k < helpers.size(); ++k) {
        unsigned char *const own = buffer.get() + (k + 1) * part;
        try {
            helpers[k] = std::thread([&scan, &tallies, own, k] { scan.run(own, tallies[k]); });
        } catch (const std::system_error &) {
            break;  // the threads that did start take every block
        }
    }
    scan.run(buffer.get(), tally);
    for (std::size_t k = 0; k < helpers.size(); ++k) {
        if (helpers[k].joinable()) helpers[k].join();
        merge(tally, tallies[k]);
    }
    return status();
}

}  // namespace varnoke
