#include "job_runner.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "signals.h"

namespace varnoke_las {

namespace {

struct Slot {
    Entry entry;
    FileResult result;
    bool done = false;
};

}  // namespace

void run_in_order(PathList &list, const Options &options, bool measure_sizes,
                  const std::function<void(FileResult &&)> &emit, const std::function<void()> &idle,
                  const std::function<void()> &listed) {
    const uint64_t window = uint64_t{16} * options.jobs;
    std::vector<Slot> slots(window);
    std::mutex mutex;
    std::condition_variable work, head_done;
    // Sequence numbers: entries listed, taken by a thread, and handed to emit.
    uint64_t listed_count = 0, taken = 0, emitted = 0;
    bool closed = false;

    const auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [&] { return taken < listed_count || closed; });
            // A stopped run takes no new file; the files taken finish.
            if (taken == listed_count || stop_signal() != 0) return;
            const uint64_t seq = taken++;
            Entry entry = std::move(slots[seq % window].entry);
            lock.unlock();
            FileResult result = judge(std::move(entry), options, measure_sizes);
            lock.lock();
            Slot &slot = slots[seq % window];
            slot.result = std::move(result);
            slot.done = true;
            if (seq == emitted) head_done.notify_one();
        }
    };
    std::vector<std::thread> threads;
    {
        const StopSignalsBlocked blocked;
        for (unsigned k = 0; k < options.jobs; ++k) threads.emplace_back(worker);
    }

    // Hands on the finished results at the head of the window, waiting for the head until
    // `target` results have been handed on.
    // After a stop only the files taken are waited for.
    const auto emit_until = [&](std::unique_lock<std::mutex> &lock, uint64_t target) {
        while (emitted < (stop_signal() != 0 ? taken : listed_count)) {
            Slot &slot = slots[emitted % window];
            if (!slot.done) {
                if (emitted >= target) return;
                if (head_done.wait_for(lock, std::chrono::milliseconds(200)) ==
                    std::cv_status::timeout) {
                    lock.unlock();
                    idle();
                    lock.lock();
                }
                continue;
            }
            FileResult result = std::move(slot.result);
            slot.done = false;
            ++emitted;
            lock.unlock();
            emit(std::move(result));
            lock.lock();
        }
    };

    Entry entry;
    while (stop_signal() == 0 && list.next(entry)) {
        listed();
        std::unique_lock lock(mutex);
        // The slot of the new entry must have been handed on.
        emit_until(lock, listed_count + 1 > window ? listed_count + 1 - window : 0);
        if (stop_signal() != 0) break;
        slots[listed_count % window].entry = std::move(entry);
        ++listed_count;
        work.notify_one();
    }
    {
        std::unique_lock lock(mutex);
        closed = true;
        work.notify_all();
        emit_until(lock, listed_count);
    }
    for (std::thread &thread : threads) thread.join();
}

}  // namespace varnoke_las
