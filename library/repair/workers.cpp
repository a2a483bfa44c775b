#include "workers.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace varnoke {

void run_tasks(const Workers &workers, unsigned tasks, varnoke_las_task task, void *arg) {
    if (tasks == 0) return;
    if (workers.run != nullptr) {
        workers.run(workers.pool, task, arg, tasks);
        return;
    }
    // Each thread takes the next task not yet taken.
    std::atomic<unsigned> next{0};
    const auto take = [&] {
        for (unsigned k = next.fetch_add(1); k < tasks; k = next.fetch_add(1)) task(arg, k);
    };
    std::vector<std::thread> threads;
    const unsigned more = std::min(std::max(workers.threads, 1u), tasks) - 1;
    for (unsigned k = 0; k < more; ++k) {
        try {
            threads.emplace_back(take);
        } catch (const std::exception &) {
            break;  // the threads that did start, and this one, take every task
        }
    }
    take();
    for (std::thread &thread : threads) thread.join();
}

}  // namespace varnoke
