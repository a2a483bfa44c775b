// One pool of options.jobs threads does all the reading: it judges the files of the list, and
// runs the pieces (blocks of the point data) that the library hands back to it for a large
// file. A thread waiting for the pieces of its own file runs pieces meanwhile, its own or
// another file's, so no thread idles while a piece waits, and no thread is created per file.
#include "job_runner.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "same_file.h"
#include "signals.h"

namespace varnoke_las {

namespace {

struct Slot {
    Entry entry;
    FileResult result;
    // Where the file's first name shares its result; `copy`: this is a later name, not judged.
    std::shared_ptr<SharedResult> shared;
    bool copy = false;
    bool done = false;
};

// Files remembered beyond the window of results, so that a name listed again soon after the
// first finds its result.
constexpr std::size_t kRememberedFiles = 4096;

struct Batch {
    unsigned pending;  // pieces not yet finished
};

struct Piece {
    varnoke_las_task task;
    void *arg;
    unsigned k;
    Batch *batch;
};

class Pool {
public:
    Pool(PathList &list, const Options &options, bool measure_sizes, const EarlierReport *earlier)
        : list_(list),
          options_(options),
          measure_sizes_(measure_sizes),
          earlier_(earlier),
          window_(uint64_t{16} * options.jobs),
          slots_(window_),
          same_(kRememberedFiles + window_) {}

    void run(const std::function<void(FileResult &&)> &emit, const std::function<void()> &idle,
             const std::function<void()> &listed);

    // varnoke_las_options.run: the pieces of one call.
    static void run_pieces(void *pool, varnoke_las_task task, void *arg, unsigned tasks) {
        static_cast<Pool *>(pool)->pieces(task, arg, tasks);
    }

private:
    void pieces(varnoke_las_task task, void *arg, unsigned tasks);
    void worker();
    void run_one(std::unique_lock<std::mutex> &lock);
    void emit_until(std::unique_lock<std::mutex> &lock, uint64_t target,
                    const std::function<void(FileResult &&)> &emit,
                    const std::function<void()> &idle);

    PathList &list_;
    const Options &options_;
    const bool measure_sizes_;
    const EarlierReport *const earlier_;  // --since; null without
    const uint64_t window_;
    std::vector<Slot> slots_;
    SameFiles same_;  // of the listing thread
    std::deque<Piece> pieces_;
    std::mutex mutex_;
    std::condition_variable work_, head_done_, piece_done_;
    // Sequence numbers: entries listed, taken by a thread, and handed to emit.
    uint64_t listed_ = 0, taken_ = 0, emitted_ = 0;
    unsigned running_ = 0;  // files being judged
    bool closed_ = false;
};

// Runs the first piece waiting; the lock is released while it runs.
void Pool::run_one(std::unique_lock<std::mutex> &lock) {
    const Piece piece = pieces_.front();
    pieces_.pop_front();
    lock.unlock();
    piece.task(piece.arg, piece.k);
    lock.lock();
    if (--piece.batch->pending == 0) piece_done_.notify_all();
}

void Pool::pieces(varnoke_las_task task, void *arg, unsigned tasks) {
    Batch batch{tasks};
    std::unique_lock lock(mutex_);
    for (unsigned k = 1; k < tasks; ++k) pieces_.push_back({task, arg, k, &batch});
    work_.notify_all();
    piece_done_.notify_all();  // threads waiting for their own pieces may take these
    lock.unlock();
    task(arg, 0);
    lock.lock();
    --batch.pending;
    while (batch.pending > 0) {
        if (!pieces_.empty()) {
            run_one(lock);
        } else {
            piece_done_.wait(lock);
        }
    }
}

void Pool::worker() {
    varnoke_las_options call = VARNOKE_LAS_OPTIONS_INIT;
    call.threads = options_.jobs;
    call.run = run_pieces;
    call.pool = this;
    // A long scan gives up when the run is stopped.
    call.stop = library_stop;
    std::unique_lock lock(mutex_);
    // A stopped run takes no new file; the files taken finish.
    const auto file_waiting = [&] { return taken_ < listed_ && !stop_requested(); };
    for (;;) {
        // A thread stays while any file is being judged: its pieces may still come.
        work_.wait(
            lock, [&] { return !pieces_.empty() || file_waiting() || (closed_ && running_ == 0); });
        // Pieces first: a thread is waiting for them.
        if (!pieces_.empty()) {
            run_one(lock);
            continue;
        }
        if (!file_waiting()) return;
        const uint64_t seq = taken_++;
        if (slots_[seq % window_].copy) continue;  // done when listed
        ++running_;
        Entry entry = std::move(slots_[seq % window_].entry);
        lock.unlock();
        FileResult result = judge(std::move(entry), options_, call, measure_sizes_, earlier_);
        lock.lock();
        Slot &slot = slots_[seq % window_];
        slot.result = std::move(result);
        slot.done = true;
        if (seq == emitted_) head_done_.notify_one();
        if (--running_ == 0 && closed_) work_.notify_all();
    }
}

// Hands on the finished results at the head of the window, waiting for the head until `target`
// results have been handed on. After a stop only the files taken are waited for, and a file
// the library gave up on is not handed on: like the files not taken, it was not judged. A later
// name of a file gets the result of its first name, which was handed on before it.
void Pool::emit_until(std::unique_lock<std::mutex> &lock, uint64_t target,
                      const std::function<void(FileResult &&)> &emit,
                      const std::function<void()> &idle) {
    while (emitted_ < (stop_requested() ? taken_ : listed_)) {
        Slot &slot = slots_[emitted_ % window_];
        if (!slot.done) {
            if (emitted_ >= target) return;
            if (head_done_.wait_for(lock, std::chrono::milliseconds(200)) ==
                std::cv_status::timeout) {
                lock.unlock();
                idle();
                lock.lock();
            }
            continue;
        }
        FileResult result = std::move(slot.result);
        if (slot.copy) {
            std::string path = std::move(result.path);
            result = slot.shared->result;
            result.path = std::move(path);
        } else if (slot.shared) {
            slot.shared->result = result;
        }
        slot.shared.reset();
        slot.done = false;
        ++emitted_;
        if (result.status == VARNOKE_LAS_ERR_STOPPED) continue;
        lock.unlock();
        emit(std::move(result));
        lock.lock();
    }
}

void Pool::run(const std::function<void(FileResult &&)> &emit, const std::function<void()> &idle,
               const std::function<void()> &listed) {
    std::vector<std::thread> threads;
    {
        const StopSignalsBlocked blocked;
        for (unsigned k = 0; k < options_.jobs; ++k) threads.emplace_back([this] { worker(); });
    }
    Entry entry;
    while (!stop_requested() && list_.next(entry)) {
        listed();
        const SameFiles::Listing same = same_.listed(entry.key);
        std::unique_lock lock(mutex_);
        // The slot of the new entry must have been handed on.
        emit_until(lock, listed_ + 1 > window_ ? listed_ + 1 - window_ : 0, emit, idle);
        if (stop_requested()) break;
        Slot &slot = slots_[listed_ % window_];
        slot.shared = same.shared;
        slot.copy = same.earlier;
        if (slot.copy) {
            slot.result.path = std::move(entry.path);
            slot.done = true;
        } else {
            slot.entry = std::move(entry);
        }
        ++listed_;
        work_.notify_one();
    }
    {
        std::unique_lock lock(mutex_);
        closed_ = true;
        work_.notify_all();
        emit_until(lock, listed_, emit, idle);
    }
    for (std::thread &thread : threads) thread.join();
}

}  // namespace

void run_in_order(PathList &list, const Options &options, bool measure_sizes,
                  const EarlierReport *earlier, const std::function<void(FileResult &&)> &emit,
                  const std::function<void()> &idle, const std::function<void()> &listed) {
    Pool pool(list, options, measure_sizes, earlier);
    pool.run(emit, idle, listed);
}

}  // namespace varnoke_las
